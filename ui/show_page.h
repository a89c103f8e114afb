#pragma once
// The one way to change the wizard's page.

#include <cstdint>

// Makes `page` (a WizardPage) current: shows, enables and focuses its controls and
// has the window repainted. Pages 2 and 3 first load the account's child profiles.
void ShowPage(std::int32_t page);
