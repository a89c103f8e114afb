#include <gtest/gtest.h>

#include <utility>

#include "app/show_page.h"
#include "core/app_state.h"
#include "tests/inprocess/support.h"
#include "ui/controls.h"
#include "ui/drawing_resources.h"

class WizardControlsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(OpenWizard(false, true), nullptr); }  // with every control
    void TearDown() override { DestroyWindow(g_app.mainWindow); }
};

// The bold font, the one the texts are painted in, on exactly four buttons; the other
// controls keep the system's font.
TEST_F(WizardControlsTest, BoldFontOnExactlyTheFourButtons) {
    std::vector<HWND> bold;
    for (HWND child = GetWindow(g_app.mainWindow, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        if (font != nullptr) bold.push_back(child);
        EXPECT_TRUE(font == nullptr || font == g_draw.BoldFont);
    }
    EXPECT_EQ(bold, (std::vector<HWND>{g_controls.Finish, g_controls.OpenAccount,
                                       g_controls.SignInButton, g_controls.CreateButton}));
}

// The pointer over any button is the button class cursor: a hand until the closing
// pages. The window itself shows the arrow.
TEST_F(WizardControlsTest, HandOverButtonsUntilTheClosingPages) {
    const HCURSOR hand = LoadCursorW(nullptr, IDC_HAND), arrow = LoadCursorW(nullptr, IDC_ARROW);
    const auto pointerOver = [](HWND window) {
        SendMessageW(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    for (const auto& [page, cursor] : {std::pair{PageSignIn, hand}, {PageDoneAfterCreate, arrow}}) {
        ShowPage(page);
        for (const HWND button :
             {g_controls.SignInSelector, g_controls.CreateSelector, g_controls.SignInButton,
              g_controls.ProfileNew, g_controls.OpenAccount, g_controls.Finish}) {
            EXPECT_EQ(pointerOver(button), cursor) << page << " " << GetDlgCtrlID(button);
        }
        EXPECT_EQ(pointerOver(g_app.mainWindow), arrow) << page;
    }
}

// Another window takes the activation and gives it back: the focus returns where it was.
TEST_F(WizardControlsTest, FocusComesBackOnReactivation) {
    const HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10,
                                       nullptr, nullptr, nullptr, nullptr);
    for (const HWND focus : {g_controls.SignInButton, g_controls.SignInPassword}) {
        SetFocus(focus);
        SetActiveWindow(other);
        ASSERT_EQ(GetActiveWindow(), other);
        SetActiveWindow(g_app.mainWindow);
        EXPECT_EQ(GetFocus(), focus);
    }
    DestroyWindow(other);
}
