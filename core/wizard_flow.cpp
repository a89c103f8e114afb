#include "core/wizard_flow.h"

#include "core/app_state.h"
#include "core/control_ids.h"

CommandAction ActionForCommand(std::uint16_t id, bool accountReady) noexcept {
    switch (id) {
        case IDC_SIGNIN_SELECTOR:
            return accountReady ? CommandAction::Nothing : CommandAction::ShowSignInPage;
        case IDC_CREATE_SELECTOR:
            return accountReady ? CommandAction::Nothing : CommandAction::ShowCreateAccountPage;
        case IDC_SIGNIN_BUTTON:
            return CommandAction::SignIn;
        case IDC_FINISH:
            return CommandAction::Finish;
        case IDC_CREATE_BUTTON:
            return CommandAction::CreateAccount;
        case IDC_NEXT:
            return CommandAction::SetChildProfile;
        case IDC_PROFILE_EXISTING:
            return CommandAction::ChooseExistingProfile;
        case IDC_PROFILE_NEW:
            return CommandAction::ChooseNewProfile;
        default:
            return CommandAction::PassOn;
    }
}

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
