#pragma once
// The wizard's decisions, free of any window: which controls a page shows, which
// page follows a profile choice, and when closing needs the parent's confirmation.

#include <cstdint>

#include "core/app_state.h"

// The groups of the wizard's controls. A page shows the two selectors and one
// group besides: pages 2 and 3 share theirs, as do pages 4 and 5, and a number that
// is no page shows none. Selectors is no page's group: it names the two selectors,
// which every page shows, and ControlsOfPage never returns it.
enum class PageControls { None, SignIn, CreateAccount, Profile, Done, Selectors };

[[nodiscard]] PageControls ControlsOfPage(std::int32_t page) noexcept;

// The page that follows a profile choice: 2 leads to 4, 3 to 5.
[[nodiscard]] std::int32_t PageAfterProfile(std::int32_t page) noexcept;

// Closing asks first unless the run is complete or the wizard was started for a
// sign-in only, where the rest of the product handles an abandoned run.
enum class CloseAction { Destroy, Ask };

[[nodiscard]] CloseAction ActionForClose(bool accountReady, bool profileSet,
                                         bool signInMode) noexcept;
