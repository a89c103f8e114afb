#pragma once
// The size of the program's text buffers. Every text read from a control or the
// registry, the computer's name, a page's heading, the service's host name, and
// every value converted for a request body go through a buffer of this many units
// (wide characters or bytes), its terminator included: at most kTextLimit units of
// text count. Texts with a size of their own: the window's title and class name
// (100 characters), the command line (cut at 1040), the URL's path (1300), and what
// arrives whole: the service's reply and the hardware description read from WMI
// (which reaches the service only when its UTF-8 form fits a buffer of this size).

#include <cstddef>
#include <string_view>

inline constexpr std::size_t kTextBufferSize = 260;
inline constexpr std::size_t kTextLimit = kTextBufferSize - 1;

// The text up to its first NUL, as a C string reads it: a buffer's text.
[[nodiscard]] constexpr std::wstring_view UpToFirstNul(std::wstring_view text) noexcept {
    return text.substr(0, text.find(L'\0'));
}
