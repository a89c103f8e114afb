#include "net/debug_line.h"

namespace {

// A "%s" argument ends at its first NUL, as a C string does.
std::wstring_view AsCString(std::wstring_view text) {
    return text.substr(0, text.find(L'\0'));
}

std::wstring Finish(std::wstring line) {
    if (line.size() > kDebugLineCapacity - 1) {
        line.resize(kDebugLineCapacity - 1);
    }
    return line;
}

}  // namespace

std::wstring FormatDebugLine(std::wstring_view message) {
    std::wstring line(kDebugLinePrefix);
    line += AsCString(message);
    return Finish(std::move(line));
}

std::wstring FormatDebugLine(std::wstring_view message, std::wstring_view text) {
    std::wstring line(kDebugLinePrefix);
    line += AsCString(message);
    line += L' ';
    line += AsCString(text);
    return Finish(std::move(line));
}

std::wstring FormatDebugLine(std::wstring_view message, std::int32_t number) {
    std::wstring line(kDebugLinePrefix);
    line += AsCString(message);
    line += L' ';
    line += std::to_wstring(number);
    return Finish(std::move(line));
}
