#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "tests/inprocess/support.h"
#include "tests/inprocess/support.h"
#include "ui/paint_wizard.h"

namespace {

using Lines = std::vector<std::wstring>;

const std::wstring kBold = L"Arial 16/6/700", kNormal = L"Arial 16/6/400",
                   kHeading = L"Arial 24/10/700";
const std::wstring kConfigure = L"Configure profile";
const std::wstring kWhyTitle = L"Why do I have to use an account?";
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

// x -1: right-aligned, so where the text starts depends on the font's widths.
std::wstring Text(int x, int y, const std::wstring& font, std::wstring text,
                  const wchar_t* colour = L"#000000") {
    // Line breaks, one or more, end a line like the wrapping does.
    for (std::size_t at; (at = text.find(L'\n')) != std::wstring::npos;) {
        text.replace(at, text.find_first_not_of(L'\n', at) - at, L" ");
    }
    return L"text " + (x < 0 ? L"*" : std::to_wstring(x)) + L"," + std::to_wstring(y) + L" " +
           colour + L" " + font + L": " + text;
}

const std::wstring kPanel = L"rect -1,-1,160,421 #dcdcdc", kStripe = L"rect 155,-1,160,421 #b4b4b4",
                   kPage = L"rect 159,-1,701,421 #ffffff";
const std::wstring kProfileCaption = Text(-1, 317, kBold, kConfigure);
const Lines kAccountTexts = {Text(200, 290, kBold, kWhyTitle), Text(200, 310, kNormal, kWhyText)};

Lines Join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const Lines& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(WizardPainting, EachPageDrawsItsPanelHeadingAndTexts) {
    ASSERT_NE(OpenWizard(), nullptr);
    const Lines signInCard = {L"round 22,30,164,161 #b4b4b4", L"round 25,25,167,156 #ffffff"};
    const Lines createCard = {L"round 22,170,164,301 #b4b4b4", L"round 25,165,167,296 #ffffff"};
    const Lines profileCard = {L"round 22,310,164,381 #b4b4b4", L"round 25,305,167,376 #ffffff"};
    const Lines profileTexts = {Text(200, 10, kHeading,
                                     L"Select a child profile to be used on "
                                     L"this device:"),
                                Text(200, 80, kBold, kProfileHint)};
    const struct {
        std::int32_t page;
        bool signIn;
        Lines lines;
    } rows[] = {
        {0, false,
         Join({{kPanel, kStripe},
               signInCard,
               {kPage, kProfileCaption},
               kAccountTexts,
               {Text(200, 70, kBold, kSignInHint + kCreateHint),
                Text(200, 10, kHeading, L"Sign in to your parent account:")}})},
        {0, true,
         Join({{kPanel, kStripe},
               signInCard,
               {kPage},
               kAccountTexts,
               {Text(200, 90, kBold, kSignInHint),
                Text(200, 10, kHeading, L"Sign in to your parent account:")}})},
        {1, false,
         Join({{kPanel, kStripe},
               createCard,
               {kPage, kProfileCaption},
               kAccountTexts,
               {Text(200, 70, kBold, kInstalledBefore),
                Text(200, 10, kHeading, L"Create your parent account:")}})},
        {2, false, Join({{kPanel, kStripe}, profileCard, {kPage, kProfileCaption}, profileTexts})},
        {3, false, Join({{kPanel, kStripe}, profileCard, {kPage, kProfileCaption}, profileTexts})},
        {2, true, Join({{kPanel, kStripe, kPage}, profileTexts})},
        {4,
         false,
         {kPanel, kStripe, kPage, kProfileCaption, Text(200, 90, kBold, kSignedIn + kReady)}},
        {5, true, {kPanel, kStripe, kPage, Text(200, 90, kBold, kCreated + kReady)}},
    };
    for (const auto& row : rows) {
        g_app.page = row.page;
        g_app.signInMode = row.signIn;
        Lines lines = RecordPaint([](HDC dc) {
            const HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
            const HGDIOBJ brush = GetCurrentObject(dc, OBJ_BRUSH);
            const HGDIOBJ pen = GetCurrentObject(dc, OBJ_PEN);
            PaintWizard(dc);
            EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), font);
            EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), brush);
            EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), pen);
        });
        for (std::size_t i = 0; i < lines.size() && i < row.lines.size(); ++i) {
            if (row.lines[i].starts_with(L"text *,"))
                lines[i] = L"text *" + lines[i].substr(lines[i].find(L','));
        }
        EXPECT_EQ(lines, row.lines) << "page " << row.page << (row.signIn ? " sign-in mode" : "");
    }
    CloseWizard();
}

// The scaled picture, then the caption four times in black around it once in white.
TEST(WizardPainting, SelectorsShowTheirPictureUnderAnOutlinedCaption) {
    ASSERT_NE(OpenWizard(), nullptr);
    const struct {
        int id, control;
        const wchar_t* picture;  // nullptr: an id without a picture
    } rows[] = {
        {150, 150, L"blit 0,0,100,100 <- 256,256"},
        {151, 151, L"blit 0,0,100,100 <- 300,300"},
        {999, 150, nullptr},
    };
    for (const auto& row : rows) {
        const HWND button = GetDlgItem(g_app.mainWindow, row.control);
        const auto draw = [&](UINT state) {
            return RecordPaint([&](HDC dc) {
                DRAWITEMSTRUCT item{
                    ODT_BUTTON, static_cast<UINT>(row.id), 0, ODA_DRAWENTIRE, state, button,
                    dc,         {0, 0, 100, 100},          0};
                DrawSelectorButton(row.id, &item);
            });
        };
        Lines lines = draw(0);
        EXPECT_EQ(draw(ODS_SELECTED | ODS_FOCUS | ODS_DISABLED), lines) << row.id;
        if (row.picture != nullptr) {
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.front(), row.picture);
            lines.erase(lines.begin());
        }
        ASSERT_EQ(lines.size(), 5u) << row.id;
        int x = 0, y = 0;
        swscanf(lines[4].c_str(), L"text %d,%d", &x, &y);
        wchar_t caption[64]{};
        GetWindowTextW(button, caption, 64);
        EXPECT_EQ(lines,
                  (Lines{Text(x + 1, y + 1, kBold, caption), Text(x - 1, y + 1, kBold, caption),
                         Text(x - 1, y - 1, kBold, caption), Text(x + 1, y - 1, kBold, caption),
                         Text(x, y, kBold, caption, L"#ffffff")}))
            << row.id;
    }
    CloseWizard();
}

}  // namespace
