#pragma once
// The account's child profiles: listing them, and binding this device to one of
// them (or to a new one). Both work from the stored credentials.

#include <string>

#include "core/profile_list.h"
#include "core/request_bodies.h"

// Fetches the account's child profiles: the announced count with the profiles
// listed, for the page's list and its table of ids; no count and no profiles when
// the service gave no list.
[[nodiscard]] ProfileList LoadChildProfiles();

// The setprofile request's body for the choice, from the stored credentials.
[[nodiscard]] std::string SetProfileBody(const ProfileChoice& choice);

// The setprofile request, once more after 2000 ms when it failed; true when the
// service bound the device.
[[nodiscard]] bool SendSetProfile(const std::string& body);
