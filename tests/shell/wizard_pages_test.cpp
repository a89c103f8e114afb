#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/settings_store.h"
#include "tests/support/registry.h"
#include "tests/support/wizard_window.h"
#include "ui/controls.h"
#include "ui/drawing_resources.h"
#include "ui/show_page.h"

namespace {

using Member = WindowHandle WizardControls::*;
using W = WizardControls;

enum class Present { Always, UnlessLinkedSignIn, InstallerOnly };

struct Row {
    Member member;
    int id;
    const wchar_t* className;
    const wchar_t* text;
    LONG style;
    RECT rect;  // left, top, right, bottom
    Present present = Present::Always;
};

// The wizard's controls in creation order. EDIT controls are listed as they report
// themselves: the edit control drops WS_BORDER and draws its own border. The combo box
// hands WS_VSCROLL on to its list, and its window keeps the height of the selection
// field: the 120 pixels it was created with hold the field and the list.
// clang-format off
const Row kRows[] = {
    {&W::SignInSelector, 150, L"Button", L"Sign in to your account", 0x5000000B, {40, 40, 140, 140}},
    {&W::CreateSelector, 151, L"Button", L"Create your account", 0x5000000B, {40, 180, 140, 280},
     Present::UnlessLinkedSignIn},
    {&W::Finish, 155, L"Button", L"Finish", 0x40010000, {320, 220, 400, 242}},
    {&W::OpenAccount, 161, L"Button", L"Go to my online Tirna account", 0x40010003,
     {180, 230, 430, 252}, Present::InstallerOnly},
    {&W::SignInUserLabel, 0, L"Static", L"Username or email:", 0x40000002, {180, 140, 310, 158}},
    {&W::SignInUser, 152, L"Edit", L"", 0x40010000, {320, 138, 470, 160}},
    {&W::SignInPasswordLabel, 0, L"Static", L"Password:", 0x40000002, {180, 168, 310, 186}},
    {&W::SignInPassword, 153, L"Edit", L"", 0x40010020, {320, 166, 470, 188}},
    {&W::SignInButton, 154, L"Button", L"Sign in", 0x40010000, {320, 205, 400, 227}},
    {&W::CreateUserLabel, 0, L"Static", L"Username or email:", 0x40000002, {180, 120, 310, 138}},
    {&W::CreateUser, 156, L"Edit", L"", 0x40010000, {320, 118, 470, 140}},
    {&W::CreatePasswordLabel, 0, L"Static", L"Password:", 0x40000002, {180, 148, 310, 166}},
    {&W::CreatePassword, 157, L"Edit", L"", 0x40010020, {320, 146, 470, 168}},
    {&W::CreateConfirmLabel, 0, L"Static", L"Confirm Password:", 0x40000002, {180, 176, 310, 194}},
    {&W::CreateConfirm, 158, L"Edit", L"", 0x40010020, {320, 174, 470, 196}},
    {&W::CreateEmailLabel, 0, L"Static", L"Your email:", 0x40000002, {180, 204, 310, 222}},
    {&W::CreateEmail, 159, L"Edit", L"", 0x40010000, {320, 202, 470, 224}},
    {&W::CreateButton, 160, L"Button", L"Create account", 0x40010000, {320, 240, 445, 262}},
    {&W::ProfileList, 0, L"ComboBox", L"", 0x40000203, {400, 218, 600, 338}},
    {&W::ProfileExisting, 163, L"Button", L"Existing child profiles:", 0x40010004,
     {190, 220, 360, 242}},
    {&W::ProfileNew, 164, L"Button", L"Create a new child profile (name):", 0x40010004,
     {190, 253, 430, 275}},
    {&W::Next, 162, L"Button", L"Next", 0x40010000, {195, 310, 275, 332}},
    {&W::ProfileName, 165, L"Edit", L"", 0x40010000, {440, 252, 600, 274}},
};
// clang-format on

struct WizardRun {
    const char* name;
    WizardMode mode;
    bool regSucceeded;
};

const WizardRun kRuns[] = {
    {"ordinary", {}, true},
    {"installer", {false, true}, false},
    {"sign-in of a linked device", {true, false}, true},
    {"sign-in of a new device", {true, false}, false},
};

bool Expected(const Row& row, const WizardRun& run) {
    switch (row.present) {
        case Present::UnlessLinkedSignIn:
            return !(run.mode.signIn && run.regSucceeded);
        case Present::InstallerOnly:
            return run.mode.installer;
        case Present::Always:
            break;
    }
    return true;
}

// The height the combo box was created with. Wine reports the dropped-down rectangle
// without the selection field, so the field's height is added back.
int DroppedHeight(HWND combo) {
    RECT field{};
    GetWindowRect(combo, &field);
    RECT dropped{};
    SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    return (dropped.bottom - dropped.top) + (field.bottom - field.top);
}

class WizardPages : public ::testing::Test {
  protected:
    void SetUp() override { DeleteProductKey(); }
    void TearDown() override {
        CloseWizard();
        DeleteProductKey();
    }

    // Opens the wizard of `run` with `storedName` as the stored user name ("" for none).
    HWND Open(const WizardRun& run, const std::wstring& storedName = L"") {
        WriteRegSucceeded(run.regSucceeded ? 1 : 0);
        if (!storedName.empty()) StoreCredentials(storedName, std::wstring(32, L'a'));
        return OpenWizard(run.mode);
    }

    // Checks that exactly `shown` of the existing controls have their WS_VISIBLE bit.
    static void ExpectShown(const std::vector<Member>& shown, const std::string& where) {
        for (const Row& row : kRows) {
            const HWND control = g_controls.*row.member;
            if (control == nullptr) continue;
            const bool expected = std::find(shown.begin(), shown.end(), row.member) != shown.end();
            EXPECT_EQ(IsShown(control), expected) << where << " #" << (&row - kRows);
        }
    }
};

TEST_F(WizardPages, ControlsInCreationOrderInEachRunMode) {
    for (const WizardRun& run : kRuns) {
        SCOPED_TRACE(run.name);
        ASSERT_NE(Open(run), nullptr);
        HWND child = GetWindow(g_app.mainWindow, GW_CHILD);
        for (const Row& row : kRows) {
            if (!Expected(row, run)) {
                EXPECT_EQ(g_controls.*row.member, nullptr) << row.id;
                continue;
            }
            ASSERT_NE(child, nullptr) << "missing #" << (&row - kRows);
            EXPECT_EQ(child, g_controls.*row.member) << "#" << (&row - kRows);
            EXPECT_EQ(GetDlgCtrlID(child), row.id);
            EXPECT_EQ(ClassOf(child), row.className);
            EXPECT_EQ(TextOf(child), row.text);
            // Which controls are visible is the pages' business; with no name stored
            // nothing is disabled yet.
            EXPECT_TRUE(IsWindowEnabled(child)) << "#" << (&row - kRows);
            EXPECT_EQ(StyleOf(child) & ~(WS_VISIBLE | WS_DISABLED), row.style & ~WS_VISIBLE)
                << "#" << (&row - kRows);
            RECT rect = ClientRectOf(child);
            if (row.member == &W::ProfileList) rect.bottom = rect.top + DroppedHeight(child);
            EXPECT_TRUE(EqualRect(&rect, &row.rect))
                << "#" << (&row - kRows) << " " << rect.left << "," << rect.top << "," << rect.right
                << "," << rect.bottom;
            child = GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(child, nullptr) << "more controls than expected";
        CloseWizard();
    }
}

TEST_F(WizardPages, EachPageShowsItsControlsBesideTheSelectors) {
    const std::vector<Member> selectors = {&W::SignInSelector, &W::CreateSelector};
    const std::vector<Member> pages[] = {
        {&W::SignInUserLabel, &W::SignInUser, &W::SignInPasswordLabel, &W::SignInPassword,
         &W::SignInButton},
        {&W::CreateUserLabel, &W::CreateUser, &W::CreatePasswordLabel, &W::CreatePassword,
         &W::CreateConfirmLabel, &W::CreateConfirm, &W::CreateEmailLabel, &W::CreateEmail,
         &W::CreateButton},
        {&W::Next, &W::ProfileList, &W::ProfileExisting, &W::ProfileNew, &W::ProfileName},
        {&W::Next, &W::ProfileList, &W::ProfileExisting, &W::ProfileNew, &W::ProfileName},
        {&W::Finish},
        {&W::Finish},
    };
    for (const WizardRun& run : kRuns) {
        ASSERT_NE(Open(run), nullptr);
        // A sign-in run ends on the closing pages (checked below).
        const std::int32_t pageCount = run.mode.signIn ? 4 : 6;
        for (std::int32_t page = 0; page < pageCount; ++page) {
            ShowPage(page);
            EXPECT_EQ(g_app.page, page);
            std::vector<Member> shown = selectors;
            shown.insert(shown.end(), pages[page].begin(), pages[page].end());
            // Installer runs offer the account page on the closing pages.
            if (page >= 4 && run.mode.installer) shown.push_back(&W::OpenAccount);
            ExpectShown(shown, std::string(run.name) + " page " + std::to_string(page));
        }
        CloseWizard();
    }
}

TEST_F(WizardPages, InstallerRunOffersTheAccountPageBelowFinish) {
    ASSERT_NE(Open(kRuns[1]), nullptr);
    ShowPage(PageDoneAfterCreate);
    const HWND box = g_controls.OpenAccount;
    const RECT rect = ClientRectOf(box);
    const RECT expected{320, 256, 570, 278};
    EXPECT_TRUE(EqualRect(&rect, &expected));
    const RECT finish = ClientRectOf(g_controls.Finish);
    RECT overlap{};
    EXPECT_FALSE(IntersectRect(&overlap, &rect, &finish));
    EXPECT_EQ(SendMessageW(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(GetFocus(), g_controls.Finish);
}

TEST_F(WizardPages, SignInModeEndsOnTheClosingPages) {
    for (const std::int32_t page : {PageDoneAfterSignIn, PageDoneAfterCreate}) {
        ASSERT_NE(Open(kRuns[3]), nullptr);
        ShowPage(page);
        EXPECT_FALSE(IsWindow(g_app.mainWindow)) << page;
        EXPECT_EQ(PumpMessages(), 0u);
    }
}

TEST_F(WizardPages, BoldFontOnExactlyTheFourButtons) {
    ASSERT_NE(Open(kRuns[1]), nullptr);
    const std::vector<Member> bold = {&W::SignInButton, &W::CreateButton, &W::Finish,
                                      &W::OpenAccount};
    for (const Row& row : kRows) {
        const bool isBold = std::find(bold.begin(), bold.end(), row.member) != bold.end();
        const auto font =
            reinterpret_cast<HFONT>(SendMessageW(g_controls.*row.member, WM_GETFONT, 0, 0));
        EXPECT_EQ(font, isBold ? g_draw.BoldFont : nullptr) << "#" << (&row - kRows);
    }
}

TEST_F(WizardPages, StoredNameAndFocusOnTheSignInPage) {
    const struct {
        const char* name;
        WizardRun run;
        std::wstring storedName;
        bool userEnabled;
        Member focus;
    } cases[] = {
        {"stored name", kRuns[0], L"ann@example.org", true, &W::SignInPassword},
        {"nothing stored", kRuns[0], L"", true, &W::SignInUser},
        {"linked device, sign-in run", kRuns[2], L"ann@example.org", false, &W::SignInPassword},
        {"new device, sign-in run", kRuns[3], L"ann@example.org", true, &W::SignInPassword},
        {"linked device, sign-in run, nothing stored", kRuns[2], L"", true, &W::SignInUser},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteProductKey();
        ASSERT_NE(Open(c.run, c.storedName), nullptr);
        EXPECT_EQ(TextOf(g_controls.SignInUser), c.storedName);
        EXPECT_EQ(IsWindowEnabled(g_controls.SignInUser) != FALSE, c.userEnabled);
        EXPECT_EQ(GetFocus(), g_controls.*c.focus);
        EXPECT_EQ(g_app.savedFocus, g_controls.*c.focus);
        CloseWizard();
    }
}

TEST_F(WizardPages, EmptyStoredNameCountsAsNone) {
    WriteTextValue(kStateKey, L"AuthInfoUserName", L"");
    ASSERT_NE(OpenWizard({}), nullptr);
    EXPECT_EQ(TextOf(g_controls.SignInUser), L"");
    EXPECT_EQ(GetFocus(), g_controls.SignInUser);
}

TEST_F(WizardPages, TabSkipsLabelsAndSelectors) {
    ASSERT_NE(OpenWizard({}), nullptr);
    const std::vector<Member> signIn = {&W::SignInPassword, &W::SignInButton, &W::SignInUser};
    for (const Member next : signIn) EXPECT_EQ(PressTab(), g_controls.*next);

    ShowPage(PageCreateAccount);
    EXPECT_EQ(GetFocus(), g_controls.CreateUser);
    const std::vector<Member> create = {&W::CreatePassword, &W::CreateConfirm, &W::CreateEmail,
                                        &W::CreateButton, &W::CreateUser};
    for (const Member next : create) EXPECT_EQ(PressTab(), g_controls.*next);
}

TEST_F(WizardPages, ProfilePageStartsFromTheProfileCount) {
    ASSERT_NE(OpenWizard({}), nullptr);
    const HWND savedFocus = g_app.savedFocus;
    SendMessageW(g_controls.ProfileList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Alpha"));
    g_app.profileCount = 1;
    ShowPage(PageProfileAfterSignIn);
    EXPECT_EQ(SendMessageW(g_controls.ProfileExisting, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(g_controls.ProfileNew, BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_FALSE(IsWindowEnabled(g_controls.ProfileName));
    EXPECT_TRUE(IsWindowEnabled(g_controls.ProfileList));
    EXPECT_EQ(SendMessageW(g_controls.ProfileList, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(GetFocus(), g_controls.ProfileList);
    EXPECT_EQ(g_app.savedFocus, savedFocus);
}

TEST_F(WizardPages, ProfilePageWithoutProfilesOffersOnlyANewName) {
    ASSERT_NE(OpenWizard({}), nullptr);
    ShowPage(PageProfileAfterCreate);
    EXPECT_EQ(SendMessageW(g_controls.ProfileNew, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(IsWindowEnabled(g_controls.ProfileExisting));
    EXPECT_FALSE(IsWindowEnabled(g_controls.ProfileList));
    EXPECT_TRUE(IsWindowEnabled(g_controls.ProfileName));
    EXPECT_EQ(GetFocus(), g_controls.ProfileName);

    // Showing a page never enables anything again.
    g_app.profileCount = 2;
    ShowPage(PageProfileAfterSignIn);
    EXPECT_FALSE(IsWindowEnabled(g_controls.ProfileExisting));
    EXPECT_FALSE(IsWindowEnabled(g_controls.ProfileList));
    EXPECT_FALSE(IsWindowEnabled(g_controls.ProfileName));
}

// The pointer over a button is the BUTTON class cursor: a hand until the closing pages.
TEST_F(WizardPages, HandOverButtonsUntilTheClosingPages) {
    ASSERT_NE(OpenWizard({}), nullptr);
    const auto pointerOver = [](HWND button) {
        SendMessageW(button, WM_SETCURSOR, reinterpret_cast<WPARAM>(button),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    ASSERT_NE(g_draw.HandCursor, g_draw.ArrowCursor);
    for (const HWND button : {g_controls.SignInSelector, g_controls.CreateSelector,
                              g_controls.SignInButton, g_controls.ProfileNew}) {
        EXPECT_EQ(pointerOver(button), g_draw.HandCursor);
    }
    ShowPage(PageDoneAfterSignIn);
    for (const HWND button :
         {g_controls.SignInSelector, g_controls.CreateSelector, g_controls.Finish}) {
        EXPECT_EQ(pointerOver(button), g_draw.ArrowCursor);
    }
}

}  // namespace
