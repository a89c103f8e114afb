#pragma once
// The extra header lines of a form post.

#include <cstddef>
#include <string>

// "Content-Length: <n>", then "Cache-Control: no-cache" when asked for, then
// "Content-Type: application/x-www-form-urlencoded", each ended by CR LF.
[[nodiscard]] std::wstring FormPostHeaders(std::size_t bodyLength, bool noCache);
