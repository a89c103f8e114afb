#pragma once
// The one size of the program's text buffers. Every text read from a control, the
// registry or the system, and every value converted for a request body, goes
// through a buffer of this many units (wide characters or bytes), its terminator
// included: at most kTextLimit units of text count.

#include <cstddef>
#include <string_view>

inline constexpr std::size_t kTextBufferSize = 260;
inline constexpr std::size_t kTextLimit = kTextBufferSize - 1;

// The text up to its first NUL, as a C string reads it: a buffer's text.
[[nodiscard]] constexpr std::wstring_view UpToFirstNul(std::wstring_view text) noexcept {
    return text.substr(0, text.find(L'\0'));
}
