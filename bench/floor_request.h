#pragma once
// The floor of a credential check: one WinHTTP POST of a form body to the
// benchmark's loopback service, with nothing around it.

#include <string_view>

// Posts `body` (ASCII) and reads the whole reply; true when a reply arrived.
bool PostFormOnce(std::wstring_view body);
