#pragma once
// The two error boxes that several handlers show, owned by the wizard window.

#include <string_view>

#include "core/reply.h"

// "Tirna - Input error" with an OK button and no icon.
void ShowInputError(std::wstring_view text);

// "Tirna - Communication error." for -10 (no valid reply) and 0 (an error reply
// that reads as 0); any other result shows nothing.
void ShowCommError(RequestResult code);
