#pragma once
// The text of one diagnostic line, as the debugger output shows it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Every line begins with this prefix.
inline constexpr std::wstring_view kDebugLinePrefix = L"[TirnaParental] ";

// A line holds at most 1024 characters including its terminator; longer text is cut.
inline constexpr std::size_t kDebugLineCapacity = 1024;

// "[TirnaParental] %s": the message alone.
[[nodiscard]] std::wstring FormatDebugLine(std::wstring_view message);
// "[TirnaParental] %s %s": a message and a text, joined by one blank.
[[nodiscard]] std::wstring FormatDebugLine(std::wstring_view message, std::wstring_view text);
// "[TirnaParental] %s %d": a message and a signed decimal number.
[[nodiscard]] std::wstring FormatDebugLine(std::wstring_view message, std::int32_t number);
