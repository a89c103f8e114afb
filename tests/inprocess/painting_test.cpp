#include <gtest/gtest.h>

#include "core/app_state.h"
#include "core/control_ids.h"
#include "tests/inprocess/support.h"
#include "ui/paint_wizard.h"

namespace {

using Lines = std::vector<std::wstring>;

const std::wstring kBold = L"Arial 16/6/700", kNormal = L"Arial 16/6/400",
                   kHeading = L"Arial 24/10/700";
const std::wstring kWhyText =
    L"- So that only you can modify your Tirna parental control settings (that is: your "
    L"children or anyone else can't modify them);\n- So that you can access your Tirna parental "
    L"controls settings and reports on the web from any computer not just this one.";
const std::wstring kSignInHint = L"Sign in using your Tirna parental username and password.";
const std::wstring kCreateHint =
    L" If you don't have an Tirna parent account yet, create one by clicking on Create button.";
const std::wstring kInstalledBefore =
    L"If you installed Tirna before (even on a different device)  click on the Sign in button on "
    L"the left side, as you don't have to create a new account.";
const std::wstring kProfileHint =
    L"The child profile you select determines what actions Tirna allows or blocks on this "
    L"device.\nIf you have Tirna already installed on another device, you'll see a list with "
    L"existing child profiles. Otherways you'll have to create a child profile that you can "
    L"customize later on.";
const std::wstring kSignedIn =
    L"You have successfully signed in into your Tirna parental control account.";
const std::wstring kCreated = L"You have successfully created your Tirna parental control account.";
const std::wstring kReady =
    L"\n\nThis device is now ready for Tirna.\nYou'll receive notifications to your parent online "
    L"account about your children activities. You can now use your online parental account to "
    L"modifiy parental controls settings for this device and child profile.";

std::wstring Text(int x, int y, const std::wstring& font, std::wstring text,
                  const wchar_t* colour = L"#000000") {
    // Line breaks, one or more, end a line as the wrapping does.
    for (std::size_t at; (at = text.find(L'\n')) != std::wstring::npos;) {
        text.replace(at, text.find_first_not_of(L'\n', at) - at, L" ");
    }
    return L"text " + std::to_wstring(x) + L"," + std::to_wstring(y) + L" " + colour + L" " + font +
           L": " + text;
}

std::wstring Bold(int y, const std::wstring& text) {
    return Text(200, y, kBold, text);
}

// The account pages: the reasons for an account below the fields, the hint at `hintY`.
Lines AccountPage(int hintY, const std::wstring& hint, const std::wstring& heading) {
    return {Bold(290, L"Why do I have to use an account?"), Text(200, 310, kNormal, kWhyText),
            Bold(hintY, hint), Text(200, 10, kHeading, heading)};
}

}  // namespace

TEST(WizardPainting, EachPageDrawsItsPanelHeadingAndTexts) {
    ASSERT_NE(OpenWizard(), nullptr);
    // The shadow, then the white card over it.
    const Lines signInCard = {L"round 22,30,164,161 #b4b4b4", L"round 25,25,167,156 #ffffff"};
    const Lines createCard = {L"round 22,170,164,301 #b4b4b4", L"round 25,165,167,296 #ffffff"};
    const Lines profileCard = {L"round 22,310,164,381 #b4b4b4", L"round 25,305,167,376 #ffffff"};
    const Lines profilePage = {
        Text(200, 10, kHeading, L"Select a child profile to be used on this device:"),
        Bold(80, kProfileHint)};
    const std::wstring signInHeading = L"Sign in to your parent account:";
    // clang-format off
    const struct {
        std::int32_t page;
        bool signIn;
        Lines card, texts;
    } rows[] = {
        {0, false, signInCard, AccountPage(70, kSignInHint + kCreateHint, signInHeading)},
        {0, true, signInCard, AccountPage(90, kSignInHint, signInHeading)},
        {1, false, createCard, AccountPage(70, kInstalledBefore, L"Create your parent account:")},
        {2, false, profileCard, profilePage},
        {3, false, profileCard, profilePage},
        {2, true, {}, profilePage},
        {4, false, {}, {Bold(90, kSignedIn + kReady)}},
        {5, true, {}, {Bold(90, kCreated + kReady)}},
    };
    // clang-format on
    for (const auto& row : rows) {
        g_app.page = row.page;
        g_app.signInMode = row.signIn;
        Lines expected = {L"rect -1,-1,160,421 #dcdcdc", L"rect 155,-1,160,421 #b4b4b4"};
        expected.insert(expected.end(), row.card.begin(), row.card.end());
        expected.push_back(L"rect 159,-1,701,421 #ffffff");
        if (!row.signIn)
            expected.push_back(L"text *,317 #000000 Arial 16/6/700: Configure profile");
        expected.insert(expected.end(), row.texts.begin(), row.texts.end());
        Lines lines = RecordPaint(PaintWizard);
        // The caption is right-aligned: where it starts depends on the font's widths.
        for (std::wstring& line : lines) {
            if (line.ends_with(L"Configure profile"))
                line = L"text *" + line.substr(line.find(L','));
        }
        EXPECT_EQ(lines, expected) << "page " << row.page << (row.signIn ? " sign-in mode" : "");
    }
    DestroyWindow(g_app.mainWindow);
}

// The whole picture stretched over the button, then the caption four times in black
// around once in white. A pressed button looks the same.
TEST(WizardPainting, SelectorsShowTheirPictureUnderAnOutlinedCaption) {
    ASSERT_NE(OpenWizard(), nullptr);
    for (const auto& [id, size] : {std::pair{150, L"256"}, std::pair{151, L"300"}}) {
        const HWND button = GetDlgItem(g_app.mainWindow, id);
        wchar_t caption[64]{};
        GetWindowTextW(button, caption, 64);
        const Lines lines = RecordPaint([&](HDC dc) {
            DRAWITEMSTRUCT item{ODT_BUTTON, 0, 0, ODA_DRAWENTIRE, ODS_SELECTED, button, dc, {}, 0};
            item.rcItem = {0, 0, 100, 100};
            DrawSelectorButton(id, item);
        });
        int x = 0, y = 0;
        swscanf(lines.back().c_str(), L"text %d,%d", &x, &y);
        Lines expected = {std::wstring(L"blit 0,0,100,100 <- ") + size + L"," + size};
        for (const POINT d : {POINT{1, 1}, POINT{-1, 1}, POINT{-1, -1}, POINT{1, -1}, POINT{}}) {
            expected.push_back(
                Text(x + d.x, y + d.y, kBold, caption, d.x ? L"#000000" : L"#ffffff"));
        }
        EXPECT_EQ(lines, expected) << id;
    }
    DestroyWindow(g_app.mainWindow);
}

// Another part of the process may send WM_DRAWITEM without its record: the wizard
// then draws nothing and the process goes on.
TEST(WizardPainting, DrawItemWithoutARecordIsIgnored) {
    ASSERT_NE(OpenWizard(), nullptr);
    EXPECT_EQ(SendMessageW(g_app.mainWindow, WM_DRAWITEM, IDC_SIGNIN_SELECTOR, 0), 0);
    DestroyWindow(g_app.mainWindow);
}
