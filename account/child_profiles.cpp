#include "account/child_profiles.h"

void LoadChildProfiles() {}

void SetChildProfile() {}
