#pragma once
// Wide text as request bodies carry it: UTF-8, byte for byte.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "core/text_buffer.h"


// The UTF-8 form of wide text up to its first NUL, as the system's UTF-8
// conversion gives it (an unpaired surrogate becomes U+FFFD).
[[nodiscard]] std::string ToUtf8(std::wstring_view text);

// The UTF-8 form when it fits a text buffer of bytes (at most 259); nothing otherwise.
[[nodiscard]] std::optional<std::string> ToUtf8Field(std::wstring_view text);
