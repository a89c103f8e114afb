#include "core/wizard_flow.h"

#include "core/app_state.h"

PageControls ControlsOfPage(std::int32_t page) noexcept {
    switch (page) {
        case PageSignIn:
            return PageControls::SignIn;
        case PageCreateAccount:
            return PageControls::CreateAccount;
        case PageProfileAfterSignIn:
        case PageProfileAfterCreate:
            return PageControls::Profile;
        case PageDoneAfterSignIn:
        case PageDoneAfterCreate:
            return PageControls::Done;
        default:
            return PageControls::None;
    }
}

std::int32_t PageAfterProfile(std::int32_t page) noexcept {
    return page + 2;
}

CloseAction ActionForClose(bool accountReady, bool profileSet, bool signInMode) noexcept {
    if (accountReady && profileSet) return CloseAction::Destroy;
    if (signInMode) return CloseAction::Destroy;
    return CloseAction::Ask;
}
