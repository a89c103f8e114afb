#pragma once
// One form body posted to the service with up to three attempts, no pause between
// them, and a diagnostic line for every step.

#include <optional>
#include <string>
#include <string_view>

#include "net/reply.h"

// Posts `body` (its bytes, no terminator; none: no post data and no extra headers)
// to `url`. Returns 1 for a success reply, the service code of an error reply, or
// -10 after three attempts without either. `reply`, when given, receives the whole
// reply text on success and is left untouched otherwise.
RequestResult PostForm(std::wstring_view url, std::optional<std::string_view> body,
                       std::wstring* reply);
