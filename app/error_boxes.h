#pragma once
// The wizard's message boxes, each owned by the wizard window.

#include <string_view>

#include "app/messages.h"
#include "core/reply.h"

// Shows the box and returns the button the parent pressed.
int ShowMessage(const Message& message);

// "Tirna - Input error" with an OK button and no icon.
void ShowInputError(std::wstring_view text);

// "Tirna - Communication error." for -10 (no valid reply) and 0 (an error reply
// that reads as 0); any other result shows nothing.
void ShowCommError(RequestResult code);

// A request that did not succeed: the communication box for -10 and 0, the
// service's `refusal` for any other result.
void ShowRequestFailure(RequestResult code, const Message& refusal);
