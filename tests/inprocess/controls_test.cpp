#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "tests/inprocess/support.h"
#include "ui/controls.h"
#include "ui/show_page.h"

namespace {

using Member = WindowHandle WizardControls::*;
using W = WizardControls;

class WizardControlsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(OpenWizard(false, true), nullptr); }  // with every control
    void TearDown() override { CloseWizard(); }
};

}  // namespace

TEST_F(WizardControlsTest, BoldFontOnExactlyTheFourButtons) {
    const std::vector<HWND> bold = {g_controls.SignInButton, g_controls.CreateButton,
                                    g_controls.Finish, g_controls.OpenAccount};
    int count = 0;
    for (HWND child = GetWindow(g_app.mainWindow, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT), ++count) {
        const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        LOGFONTW f{};
        GetObjectW(font, sizeof(f), &f);
        const bool isBold = std::find(bold.begin(), bold.end(), child) != bold.end();
        EXPECT_EQ(font ? FontName(f) : L"none", isBold ? L"Arial 16/6/700" : L"none") << count;
    }
    EXPECT_EQ(count, 23);
}

// The pointer over any button is the button class cursor: a hand until the closing
// pages. The window itself always shows the arrow.
TEST_F(WizardControlsTest, HandOverButtonsUntilTheClosingPages) {
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND), arrow = LoadCursorW(nullptr, IDC_ARROW);
    const struct {
        std::int32_t page;
        std::vector<Member> controls;
        HCURSOR cursor;
    } rows[] = {
        {PageSignIn,
         {&W::SignInSelector, &W::CreateSelector, &W::SignInButton, &W::ProfileNew,
          &W::OpenAccount},
         hand},
        {PageDoneAfterCreate, {&W::SignInSelector, &W::CreateSelector, &W::Finish}, arrow},
    };
    const auto pointerOver = [](HWND window) {
        SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    for (const auto& row : rows) {
        ShowPage(row.page);
        for (const Member control : row.controls) {
            EXPECT_EQ(pointerOver(g_controls.*control), row.cursor) << row.page;
        }
        EXPECT_EQ(pointerOver(g_app.mainWindow), arrow) << row.page;
    }
}

// Each page starts with the focus on its first field; Tab goes round its fields and
// buttons, past the labels, the selectors and the other pages' controls.
TEST_F(WizardControlsTest, FocusAndTabOrderOfEachPage) {
    const struct {
        std::int32_t page;
        std::vector<Member> order;  // the first has the focus, then one per Tab
    } rows[] = {
        {PageSignIn, {&W::SignInUser, &W::SignInPassword, &W::SignInButton, &W::SignInUser}},
        {PageCreateAccount,
         {&W::CreateUser, &W::CreatePassword, &W::CreateConfirm, &W::CreateEmail, &W::CreateButton,
          &W::CreateUser}},
        {PageDoneAfterCreate, {&W::Finish, &W::OpenAccount, &W::Finish}},
    };
    for (const auto& row : rows) {
        ShowPage(row.page);
        for (const Member expected : row.order) {
            EXPECT_EQ(GetFocus(), g_controls.*expected) << row.page;
            MSG tab{GetFocus(), WM_KEYDOWN, VK_TAB, 1, 0, {}};
            IsDialogMessageW(g_app.mainWindow, &tab);
        }
    }
}

// Another window takes the activation and gives it back: the focus returns where it was.
TEST_F(WizardControlsTest, FocusComesBackOnReactivation) {
    const HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                       nullptr, nullptr, nullptr, nullptr);
    for (const Member focus : {&W::SignInButton, &W::SignInPassword}) {
        SetFocus(g_controls.*focus);
        SetActiveWindow(other);
        ASSERT_EQ(GetActiveWindow(), other);
        SetActiveWindow(g_app.mainWindow);
        EXPECT_EQ(GetFocus(), g_controls.*focus);
    }
    DestroyWindow(other);
}
