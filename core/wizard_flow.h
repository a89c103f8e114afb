#pragma once
// The wizard's decisions, free of any window: what a command does, which controls
// a page shows, and when closing needs the parent's confirmation.

#include <cstdint>

#include "core/app_state.h"

// What the window procedure does with a command id (the low 16 bits of its
// first parameter; the notification code is ignored).
enum class CommandAction {
    PassOn,   // not a command of the wizard: the default window handling
    Nothing,  // a selector once the account is ready: handled, without effect
    ShowSignInPage,
    ShowCreateAccountPage,
    SignIn,
    Finish,
    CreateAccount,
    SetChildProfile,
    ChooseExistingProfile,
    ChooseNewProfile,
};

[[nodiscard]] CommandAction ActionForCommand(std::uint16_t id, bool accountReady) noexcept;

// The controls a page shows besides the two selectors. Pages 2 and 3 share
// theirs, as do pages 4 and 5; a number that is no page shows none. EveryPage is
// no page's: it stands for the two selectors, which every page shows.
enum class PageControls { None, SignIn, CreateAccount, Profile, Done, EveryPage };

[[nodiscard]] PageControls ControlsOfPage(std::int32_t page) noexcept;

// The page that follows a profile choice: 2 leads to 4, 3 to 5.
[[nodiscard]] std::int32_t PageAfterProfile(std::int32_t page) noexcept;

// Closing asks first unless the run is complete or the wizard was started for a
// sign-in only, where the rest of the product handles an abandoned run.
enum class CloseAction { Destroy, Ask };

[[nodiscard]] CloseAction ActionForClose(bool accountReady, bool profileSet,
                                         bool signInMode) noexcept;
