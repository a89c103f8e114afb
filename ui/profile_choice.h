#pragma once
// The profile page's two radio buttons, "Existing child profiles:" and "Create a
// new child profile (name):". They are manual ones: only these functions change
// their checks. The chosen one's field (the list or the name) is enabled and gets
// the focus; the other's is disabled.

enum class ProfileSource { Existing, New };

// The page's starting choice, when neither button was checked before.
void StartProfileChoice(ProfileSource source);
// The parent's click on a button: the other one is unchecked first.
void SwitchProfileChoice(ProfileSource source);
