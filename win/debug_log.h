#pragma once
// Diagnostic lines on the debugger output: one OutputDebugStringW call per line,
// no line end appended.

#include <cstdint>
#include <string_view>

void DebugLog(std::wstring_view message);
void DebugLog(std::wstring_view message, std::wstring_view text);
void DebugLog(std::wstring_view message, std::int32_t number);
