#include "app/wizard_flow.h"

#include <gtest/gtest.h>

#include <map>

namespace {

TEST(WizardFlow, CommandsOfTheWizard) {
    const std::map<std::uint16_t, CommandAction> handled = {
        {150, CommandAction::ShowSignInPage},
        {151, CommandAction::ShowCreateAccountPage},
        {154, CommandAction::SignIn},
        {155, CommandAction::Finish},
        {160, CommandAction::CreateAccount},
        {162, CommandAction::SetChildProfile},
        {163, CommandAction::ChooseExistingProfile},
        {164, CommandAction::ChooseNewProfile},
    };
    // Every other id, the fields, the check box and the accelerator's 104 among them,
    // goes to the default handling.
    for (std::uint32_t id = 0; id <= 0xFFFF; ++id) {
        const auto found = handled.find(static_cast<std::uint16_t>(id));
        const CommandAction expected =
            found != handled.end() ? found->second : CommandAction::PassOn;
        EXPECT_EQ(ActionForCommand(static_cast<std::uint16_t>(id), false), expected) << id;
    }
}

TEST(WizardFlow, SelectorsAreInertOnceTheAccountIsReady) {
    EXPECT_EQ(ActionForCommand(150, true), CommandAction::Nothing);
    EXPECT_EQ(ActionForCommand(151, true), CommandAction::Nothing);
    // The other commands do not depend on it.
    EXPECT_EQ(ActionForCommand(154, true), CommandAction::SignIn);
    EXPECT_EQ(ActionForCommand(162, true), CommandAction::SetChildProfile);
    EXPECT_EQ(ActionForCommand(104, true), CommandAction::PassOn);
}

TEST(WizardFlow, ControlsOfEachPage) {
    const struct {
        std::int32_t page;
        PageControls controls;
    } cases[] = {
        {-1, PageControls::None},   {0, PageControls::SignIn},  {1, PageControls::CreateAccount},
        {2, PageControls::Profile}, {3, PageControls::Profile}, {4, PageControls::Done},
        {5, PageControls::Done},    {6, PageControls::None},
    };
    for (const auto& c : cases) EXPECT_EQ(ControlsOfPage(c.page), c.controls) << c.page;
}

TEST(WizardFlow, ProfilePagesLeadToTheirDonePages) {
    EXPECT_EQ(PageAfterProfile(PageProfileAfterSignIn), PageDoneAfterSignIn);
    EXPECT_EQ(PageAfterProfile(PageProfileAfterCreate), PageDoneAfterCreate);
}

TEST(WizardFlow, CloseAsksOnlyBeforeACompleteRunOutsideSignInMode) {
    const struct {
        bool accountReady, profileSet, signInMode;
        CloseAction action;
    } cases[] = {
        {false, false, false, CloseAction::Ask},    {true, false, false, CloseAction::Ask},
        {false, true, false, CloseAction::Ask},     {true, true, false, CloseAction::Destroy},
        {false, false, true, CloseAction::Destroy}, {true, false, true, CloseAction::Destroy},
        {false, true, true, CloseAction::Destroy},  {true, true, true, CloseAction::Destroy},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ActionForClose(c.accountReady, c.profileSet, c.signInMode), c.action)
            << c.accountReady << c.profileSet << c.signInMode;
    }
}

}  // namespace
