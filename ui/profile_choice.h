#pragma once
// The profile page's two radio buttons, "Existing child profiles:" and "Create a
// new child profile (name):". They are manual ones: only these functions change
// their checks.

enum class ProfileSource { Existing, New };

// Each showing of the page: with profiles listed, "Existing" checked, the name field
// disabled, the first profile selected and the list focused; without, "New" checked,
// the existing choice and the list disabled and the name focused. Nothing is
// unchecked or enabled, so what an earlier showing disabled stays disabled.
void StartProfileChoice(bool profilesListed);
// The parent's click on a button: the other one unchecked and its field disabled,
// this one checked and its field enabled and focused.
void SwitchProfileChoice(ProfileSource source);
