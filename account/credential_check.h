#pragma once
// The parent's credentials against the service: the authuser request, with a
// sign-in's repeats, the silent check of the stored credentials at an ordinary
// start, and keeping credentials that the service accepted.

#include <string>
#include <string_view>

#include "core/reply.h"

struct StoredCredentials {
    std::wstring userName;  // empty when missing
    std::wstring digest;    // empty when missing
};

[[nodiscard]] StoredCredentials ReadStoredCredentials();

// Asks the service whether the user name and digest belong to a parent account.
// Returns PostForm's result: 1 accepted, a service code (0 or negative), -10 when
// no valid reply came; -1 without sending anything when the user name or the
// digest does not fit its 259-byte field as UTF-8. An accepted reply carrying a
// user id above 0 stores it as "UID".
[[nodiscard]] RequestResult AuthenticateUser(std::wstring_view userName, std::wstring_view digest);

// A sign-in's request: after a communication failure up to three more, 1000 ms
// apart; a refusal of the credentials is final.
[[nodiscard]] RequestResult AuthenticateWithRepeats(std::wstring_view userName,
                                                    std::wstring_view digest);

// True when stored credentials exist and the service accepted them. Records the
// outcome in "DevAuthState" (1 or 0), except when no credentials are stored: then
// nothing is sent and nothing is written.
[[nodiscard]] bool CheckDeviceAuthorization();

// After a sign-in or account creation: "RegSucceeded" = 1, the user name as typed
// and the digest.
void StoreAcceptedAccount(std::wstring_view userName, std::wstring_view digest);

// A sign-in run on a device already linked ("RegSucceeded" is 1, read only in a
// sign-in run): the parent may only sign in again, with the stored name.
[[nodiscard]] bool OnlySigningInAgain(bool signInRun);
