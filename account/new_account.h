#pragma once
// Creating a parent account with the service.

#include <string_view>

#include "core/reply.h"

// The service's code for a user name that another account has.
inline constexpr RequestResult kUserNameTaken = -5;

// Sends the createuser request (the e-mail address only when given) with up to
// three attempts and logs the outcome. Returns 1 when the account was created, the
// service's code when it refused, -10 when no valid reply came.
[[nodiscard]] RequestResult CreateParentAccount(std::wstring_view userName,
                                                std::wstring_view digest, std::wstring_view email);
