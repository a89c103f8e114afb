#include "app/main_window.h"

#include <gtest/gtest.h>

#include <string>

#include "app/app_state.h"
#include "tests/support/canvas.h"
#include "tests/support/message_box_hook.h"
#include "tests/support/registry.h"
#include "tests/support/wizard_window.h"
#include "ui/controls.h"
#include "ui/drawing_resources.h"
#include "ui/show_page.h"

namespace {

const std::wstring kCloseQuestion =
    L"Closing the authentification window before signing in or creating an Tirna parent account "
    L"will postpone the activation of Tirna on this computer. That means parental controls will "
    L"not work for now on this computer untill you sign in. Are you sure you want to abort the "
    L"authentification of your device with Tirna? \n(you can activate Tirna at a latter time on "
    L"this device)";

class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override { DeleteProductKey(); }
    void TearDown() override {
        CloseWizard();
        DeleteProductKey();
    }

    static LRESULT Command(WPARAM wParam, LPARAM lParam = 0) {
        return SendMessageW(g_app.mainWindow, WM_COMMAND, wParam, lParam);
    }
};

TEST_F(MainWindow, CloseAsksBeforeTheRunIsComplete) {
    const struct {
        const char* name;
        WizardMode mode;
        std::int32_t page;
        bool accountReady, profileSet, asks;
    } cases[] = {
        {"ordinary, sign-in page", {}, PageSignIn, false, false, true},
        {"installer, sign-in page", {false, true}, PageSignIn, false, false, true},
        {"signed in, profile not set", {}, PageProfileAfterSignIn, true, false, true},
        {"profile set", {}, PageDoneAfterSignIn, true, true, false},
        {"installer, profile set", {false, true}, PageDoneAfterCreate, true, true, false},
        {"sign-in run", {true, false}, PageSignIn, false, false, false},
        {"sign-in and installer run", {true, true}, PageCreateAccount, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(OpenWizard(c.mode), nullptr);
        const HWND window = g_app.mainWindow;
        ShowPage(c.page);
        g_app.accountReady = c.accountReady;
        g_app.profileSet = c.profileSet;
        SetWindowTextW(g_controls.SignInUser, L"ann");

        MessageBoxHook hook(IDNO);
        SendMessageW(window, WM_CLOSE, 0, 0);
        if (!c.asks) {
            EXPECT_TRUE(hook.Boxes().empty());
            EXPECT_FALSE(IsWindow(window));
            EXPECT_EQ(PumpMessages(), 0u);
            continue;
        }
        ASSERT_EQ(hook.Boxes().size(), 1u);
        const MessageBoxRecord& box = hook.Boxes()[0];
        EXPECT_EQ(box.title, L"Tirna warning");
        EXPECT_EQ(box.text, kCloseQuestion);
        EXPECT_EQ(box.style, 0x34u);
        EXPECT_EQ(box.owner, window);
        // No keeps the wizard as it was.
        EXPECT_TRUE(IsWindow(window));
        EXPECT_EQ(g_app.page, c.page);
        EXPECT_EQ(TextOf(g_controls.SignInUser), L"ann");

        hook.Answer(IDYES);
        SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(hook.Boxes().size(), 2u);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(PumpMessages(), 0u);
    }
}

TEST_F(MainWindow, EnterInThePasswordFieldPostsTheSignInCommand) {
    ASSERT_NE(OpenWizard({}), nullptr);
    const struct {
        const char* name;
        HWND field;
        UINT message;
        WPARAM key;
        bool posts;
    } cases[] = {
        {"Enter released in the password field", g_controls.SignInPassword, WM_KEYUP, VK_RETURN,
         true},
        {"Enter pressed", g_controls.SignInPassword, WM_KEYDOWN, VK_RETURN, false},
        {"another key released", g_controls.SignInPassword, WM_KEYUP, VK_SPACE, false},
        {"Enter in the user-name field", g_controls.SignInUser, WM_KEYUP, VK_RETURN, false},
    };
    for (const auto& c : cases) {
        PumpMessages();
        SendMessageW(c.field, c.message, c.key, 0xC01C0001);
        MSG posted{};
        const bool found =
            PeekMessageW(&posted, g_app.mainWindow, WM_COMMAND, WM_COMMAND, PM_REMOVE) != FALSE;
        EXPECT_EQ(found, c.posts) << c.name;
        if (found) {
            EXPECT_EQ(posted.wParam, 154u);
            EXPECT_EQ(posted.lParam, 0);
        }
    }
    // The field still works as an edit field behind the subclass.
    SetWindowTextW(g_controls.SignInPassword, L"secret");
    EXPECT_EQ(TextOf(g_controls.SignInPassword), L"secret");
}

TEST_F(MainWindow, CommunicationErrorBoxes) {
    ASSERT_NE(OpenWizard({}), nullptr);
    const struct {
        std::int32_t code;
        const wchar_t* text;  // nullptr: no box
    } cases[] = {
        {-10,
         L"There is no internet connectivity. Please make sure you have an internet connection up "
         L"and running and try again."},
        {0, L"There was an error accessing Tirna parental server. Please try again later."},
        {-1, nullptr},
        {1, nullptr},
        {-5, nullptr},
    };
    for (const auto& c : cases) {
        MessageBoxHook hook(IDOK);
        ShowCommError(c.code);
        if (c.text == nullptr) {
            EXPECT_TRUE(hook.Boxes().empty()) << c.code;
            continue;
        }
        ASSERT_EQ(hook.Boxes().size(), 1u) << c.code;
        EXPECT_EQ(hook.Boxes()[0].title, L"Tirna - Communication error.");
        EXPECT_EQ(hook.Boxes()[0].text, c.text);
        EXPECT_EQ(hook.Boxes()[0].style, 0x30u);
        EXPECT_EQ(hook.Boxes()[0].owner, g_app.mainWindow);
    }
}

TEST_F(MainWindow, OtherCommandsGetOnlyTheDefaultHandling) {
    ASSERT_NE(OpenWizard({false, true}), nullptr);
    MessageBoxHook hook(IDOK);
    for (const WPARAM id : {104, 0, 1, 2, 149, 152, 153, 156, 157, 158, 159, 161, 165, 166, 1000}) {
        const LRESULT expected = DefWindowProcW(g_app.mainWindow, WM_COMMAND, id, 0);
        EXPECT_EQ(Command(id), expected) << id;
        PumpMessages();
        ASSERT_TRUE(IsWindow(g_app.mainWindow)) << id;
        EXPECT_EQ(g_app.page, PageSignIn) << id;
        EXPECT_TRUE(IsShown(g_controls.SignInUser)) << id;
    }
    EXPECT_TRUE(hook.Boxes().empty());
}

TEST_F(MainWindow, SelectorsSwitchPagesUntilTheAccountIsReady) {
    ASSERT_NE(OpenWizard({}), nullptr);
    // Only the low 16 bits name the control; the notification code is ignored.
    EXPECT_EQ(
        Command(MAKEWPARAM(151, BN_CLICKED), reinterpret_cast<LPARAM>(g_controls.CreateSelector)),
        0);
    EXPECT_EQ(g_app.page, PageCreateAccount);
    EXPECT_TRUE(IsShown(g_controls.CreateUser));
    Command(MAKEWPARAM(150, 0xFFFF));
    EXPECT_EQ(g_app.page, PageSignIn);

    g_app.accountReady = true;
    EXPECT_EQ(Command(151), 0);
    EXPECT_EQ(g_app.page, PageSignIn);
    ShowPage(PageProfileAfterSignIn);
    Command(150);
    Command(151);
    EXPECT_EQ(g_app.page, PageProfileAfterSignIn);
    EXPECT_TRUE(IsShown(g_controls.Next));
}

TEST_F(MainWindow, FinishClosesTheWizard) {
    for (const WizardMode mode : {WizardMode{}, WizardMode{false, true}}) {
        ASSERT_NE(OpenWizard(mode), nullptr);
        const HWND window = g_app.mainWindow;
        ShowPage(PageDoneAfterSignIn);
        EXPECT_EQ(Command(155), 0);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(PumpMessages(), 0u);
    }
}

TEST_F(MainWindow, RadioButtonsChooseBetweenListAndName) {
    ASSERT_NE(OpenWizard({}), nullptr);
    ShowPage(PageProfileAfterSignIn);  // no profiles: the new name is chosen
    const auto checked = [](HWND radio) {
        return SendMessageW(radio, BM_GETCHECK, 0, 0) == BST_CHECKED;
    };

    EXPECT_EQ(Command(163), 0);
    EXPECT_TRUE(checked(g_controls.ProfileExisting));
    EXPECT_FALSE(checked(g_controls.ProfileNew));
    EXPECT_TRUE(IsWindowEnabled(g_controls.ProfileList));
    EXPECT_FALSE(IsWindowEnabled(g_controls.ProfileName));
    EXPECT_EQ(GetFocus(), g_controls.ProfileList);

    EXPECT_EQ(Command(164), 0);
    EXPECT_FALSE(checked(g_controls.ProfileExisting));
    EXPECT_TRUE(checked(g_controls.ProfileNew));
    EXPECT_FALSE(IsWindowEnabled(g_controls.ProfileList));
    EXPECT_TRUE(IsWindowEnabled(g_controls.ProfileName));
    EXPECT_EQ(GetFocus(), g_controls.ProfileName);
}

TEST_F(MainWindow, FocusReturnsOnReactivation) {
    ASSERT_NE(OpenWizard({}), nullptr);
    SetFocus(g_controls.SignInButton);
    SendMessageW(g_app.mainWindow, WM_ACTIVATE, WA_INACTIVE, 0);
    EXPECT_EQ(g_app.savedFocus, g_controls.SignInButton);
    SetFocus(g_controls.SignInUser);
    SendMessageW(g_app.mainWindow, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(GetFocus(), g_controls.SignInButton);
}

TEST_F(MainWindow, LabelsStandTransparentOnWhite) {
    ASSERT_NE(OpenWizard({}), nullptr);
    const Canvas canvas(10, 10, RGB(0, 0, 0));
    SetBkMode(canvas.Dc(), OPAQUE);
    const LRESULT brush =
        SendMessageW(g_app.mainWindow, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(canvas.Dc()),
                     reinterpret_cast<LPARAM>(g_controls.SignInUserLabel));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), g_draw.WhiteBrush);
    EXPECT_EQ(GetBkMode(canvas.Dc()), TRANSPARENT);
}

}  // namespace
