#include "core/debug_line.h"

#include <algorithm>
#include <optional>

#include "core/text_buffer.h"

namespace {

// The prefix and the message, then, when there is one, a space and the argument;
// cut to what one line holds. Only what fits is copied: the argument may be a whole
// reply.
std::wstring Line(std::wstring_view message, std::optional<std::wstring_view> argument = {}) {
    constexpr std::size_t kLimit = kDebugLineCapacity - 1;
    std::wstring line(kDebugLinePrefix);
    const auto append = [&](std::wstring_view text) {
        line += text.substr(0, kLimit - std::min(line.size(), kLimit));
    };
    append(UpToFirstNul(message));
    if (argument) {
        append(L" ");
        append(*argument);
    }
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
