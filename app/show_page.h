#pragma once
// The one way to change the wizard's page. It records the page, and the profile
// count that the profile pages learn from the service, in AppState.

#include <cstdint>

// Makes page number `page` (0 to 5, the values of WizardPage) current: shows its
// controls, sets their state and the focus, and has the window repainted. Pages 2
// and 3 first load the account's child profiles; a list that did not come keeps
// the count of the one before.
void ShowPage(std::int32_t page);
