#pragma once
// The extra header lines of a form post.

#include <cstddef>
#include <string>

// "Content-Length: <n>\r\nCache-Control: no-cache\r\nContent-Type: application/x-www-form-urlencoded\r\n"
[[nodiscard]] std::wstring FormPostHeaders(std::size_t bodyLength);

// The account-creation request's block, without the Cache-Control line.
[[nodiscard]] std::wstring CreateUserHeaders(std::size_t bodyLength);
