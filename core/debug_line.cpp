#include "core/debug_line.h"

#include <optional>

#include "core/text_buffer.h"

namespace {

// The prefix and the message, then, when there is one, a space and the argument;
// cut to what one line holds.
std::wstring Line(std::wstring_view message, std::optional<std::wstring_view> argument = {}) {
    std::wstring line(kDebugLinePrefix);
    line += UpToFirstNul(message);
    if (argument) {
        line += L' ';
        line += *argument;
    }
    if (line.size() > kDebugLineCapacity - 1) line.resize(kDebugLineCapacity - 1);
    return line;
}

}  // namespace

std::wstring FormatDebugLine(std::wstring_view message) {
    return Line(message);
}

std::wstring FormatDebugLine(std::wstring_view message, std::wstring_view text) {
    // A "%s" argument ends at its first NUL.
    return Line(message, UpToFirstNul(text));
}

std::wstring FormatDebugLine(std::wstring_view message, std::int32_t number) {
    return Line(message, std::to_wstring(number));
}
