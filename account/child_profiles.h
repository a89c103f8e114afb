#pragma once
// The child-profile page: listing the account's profiles and binding this device
// to one of them (or to a new one).

// Fetches the account's child profiles and fills the profile list.
void LoadChildProfiles();
// The "Next" button's handler.
void SetChildProfile();
