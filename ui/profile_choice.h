#pragma once
// The profile page's list of the account's profiles with the table of their ids,
// and its two radio buttons, "Existing child profiles:" and "Create a new child
// profile (name):". The buttons are manual ones: only these functions change their
// checks.

#include <cstdint>
#include <optional>
#include <vector>

#include "core/profile_list.h"

enum class ProfileSource { Existing, New };

// Appends the profiles to the list and their ids to the table, in the same order:
// entry i of the table belongs to entry i of the list. Neither is ever cleared, so a
// page shown again (sign-in runs on any page) adds what that showing fetched.
void ListProfiles(const std::vector<ProfileEntry>& profiles);
// The id of the profile chosen in the list, or nothing when none is chosen.
[[nodiscard]] std::optional<std::int32_t> ChosenListedProfileId();

// Each showing of the page: with profiles listed, "Existing" checked, the name field
// disabled, the first profile selected and the list focused; without, "New" checked,
// the existing choice and the list disabled and the name focused. Nothing is
// unchecked or enabled, so what an earlier showing disabled stays disabled.
void StartProfileChoice(bool profilesListed);
// The parent's click on a button: the other one unchecked and its field disabled,
// this one checked and its field enabled and focused.
void SwitchProfileChoice(ProfileSource source);
