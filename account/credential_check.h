#pragma once
// The parent's credentials against the service: one authuser request, and the
// silent check of the stored credentials at an ordinary start.

#include <string>
#include <string_view>

#include "net/reply.h"

// Asks the service whether the user name and digest belong to a parent account.
// Returns PostForm's result: 1 accepted, a service code (0 or negative), -10 when
// no valid reply came. Returns -1 without sending anything when the digest is
// absent (null) or when the user name or the digest does not fit its 259-byte
// field as UTF-8. An accepted reply carrying a user id above 0 stores it as "UID".
[[nodiscard]] RequestResult AuthenticateUser(std::wstring_view userName,
                                             const std::wstring* digest);

// True when stored credentials exist and the service accepted them. Records the
// outcome in "DevAuthState" (1 or 0), except when no credentials are stored: then
// nothing is sent and nothing is written.
[[nodiscard]] bool CheckDeviceAuthorization();
