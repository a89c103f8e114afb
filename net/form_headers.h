#pragma once
// The extra header lines of a form post.

#include <cstddef>
#include <string>

// "Content-Length: <n>", "Cache-Control: no-cache" and
// "Content-Type: application/x-www-form-urlencoded", each ended by CR LF.
[[nodiscard]] std::wstring FormPostHeaders(std::size_t bodyLength);

// The account-creation request's block, without the Cache-Control line.
[[nodiscard]] std::wstring CreateUserHeaders(std::size_t bodyLength);
