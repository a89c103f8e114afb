#include "win/debug_log.h"

#include <windows.h>

#include "core/debug_line.h"

void DebugLog(std::wstring_view message) {
    OutputDebugStringW(FormatDebugLine(message).c_str());
}

void DebugLog(std::wstring_view message, std::wstring_view text) {
    OutputDebugStringW(FormatDebugLine(message, text).c_str());
}

void DebugLog(std::wstring_view message, std::int32_t number) {
    OutputDebugStringW(FormatDebugLine(message, number).c_str());
}
