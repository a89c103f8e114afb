#include "account/child_profiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "app/app_state.h"
#include "device/device_identity.h"
#include "tests/support/form_fields.h"
#include "tests/support/loopback_server.h"
#include "tests/support/message_box_hook.h"
#include "tests/support/registry.h"
#include "tests/support/wizard_actions.h"
#include "tests/support/wizard_window.h"
#include "ui/controls.h"
#include "ui/drawing_resources.h"
#include "ui/show_page.h"

namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

const std::wstring kDigest = L"900150983cd24fb0d6963f7d28e17f72";
const std::string kGetProfilesBody =
    "action=getprofiles&did=none&uname=ann&pmd5=900150983cd24fb0d6963f7d28e17f72";
constexpr char kTwoProfiles[] = "0;2;17;Alpha;18;Beta";

const ShownBox kRegistrationFailedBox = {
    L"Tirna - Server error",
    L"There was an error authenticating your device with Tirna server. Please try again later.",
    MB_OK | MB_ICONEXCLAMATION};

std::vector<std::wstring> ListedProfiles() {
    std::vector<std::wstring> names;
    const LRESULT count = SendMessageW(g_controls.ProfileList, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring name(
            static_cast<std::size_t>(SendMessageW(g_controls.ProfileList, CB_GETLBTEXTLEN, i, 0)),
            L'\0');
        SendMessageW(g_controls.ProfileList, CB_GETLBTEXT, i,
                     reinterpret_cast<LPARAM>(name.data()));
        names.push_back(name);
    }
    return names;
}

bool Checked(HWND radio) {
    return SendMessageW(radio, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

class ChildProfilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteProductKey();
        StoreCredentials(L"ann", kDigest);
        ASSERT_TRUE(server_.Listening());
    }
    void TearDown() override {
        CloseWizard();
        DeleteProductKey();
    }

    // The profile page reached after a sign-in (or an account creation), with the
    // service's list reply.
    void OpenProfilePage(const std::string& reply, std::int32_t page = PageProfileAfterSignIn) {
        ASSERT_NE(OpenWizard({}), nullptr);
        g_app.accountReady = true;
        server_.Script({Reply(reply)});
        ShowPage(page);
    }

    // The actions of the requests sent after the profile list.
    std::vector<std::string> ActionsAfterTheList() const {
        auto actions = ActionsOf(server_.Requests());
        actions.erase(actions.begin());
        return actions;
    }

    FormFields LastRequestFields() const { return SplitFormBody(server_.Requests().back().body); }

    LoopbackServer server_;
};

}  // namespace

TEST_F(ChildProfilesTest, PageShowsWhatTheServiceLists) {
    std::string twentyFive = "0;25";
    for (int i = 1; i <= 25; ++i) {
        twentyFive.append(";").append(std::to_string(i)).append(";Kid").append(std::to_string(i));
    }
    std::vector<std::wstring> firstTwenty;
    for (int i = 1; i <= 20; ++i) firstTwenty.push_back(L"Kid" + std::to_wstring(i));
    const struct {
        std::string reply;
        std::vector<std::wstring> listed;
        std::int32_t profileCount;
    } cases[] = {
        {kTwoProfiles, {L"Alpha", L"Beta"}, 2},
        {"0;0", {}, 0},
        {"0;3;17;Alpha", {L"Alpha"}, 3},
        {"0;2;17;;18;Beta", {L"18"}, 2},
        {"0", {}, 0},
        {"0;", {}, 0},
        {"-3", {}, 0},
        {std::string("0;1;1;").append(300, 'n'), {std::wstring(259, L'n')}, 1},
        {twentyFive, firstTwenty, 25},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply.substr(0, 40));
        const std::size_t before = server_.RequestCount();
        OpenProfilePage(c.reply);
        const auto requests = server_.Requests();
        ASSERT_EQ(requests.size(), before + 1);
        EXPECT_EQ(requests.back().body, kGetProfilesBody);

        EXPECT_EQ(ListedProfiles(), c.listed);
        EXPECT_EQ(g_app.profileCount, c.profileCount);
        const bool existing = c.profileCount != 0;
        EXPECT_EQ(Checked(g_controls.ProfileExisting), existing);
        EXPECT_EQ(Checked(g_controls.ProfileNew), !existing);
        EXPECT_EQ(IsWindowEnabled(g_controls.ProfileExisting) != FALSE, existing);
        EXPECT_EQ(IsWindowEnabled(g_controls.ProfileList) != FALSE, existing);
        EXPECT_EQ(IsWindowEnabled(g_controls.ProfileName) != FALSE, !existing);
        EXPECT_EQ(SendMessageW(g_controls.ProfileList, CB_GETCURSEL, 0, 0),
                  c.listed.empty() ? CB_ERR : 0);
        CloseWizard();
    }
}

TEST_F(ChildProfilesTest, ListIsAskedForEvenWithoutStoredCredentials) {
    DeleteProductKey();
    OpenProfilePage("0;0");
    ASSERT_EQ(server_.RequestCount(), 1u);
    EXPECT_EQ(server_.Requests()[0].body, "action=getprofiles&did=none&uname=&pmd5=");
}

TEST_F(ChildProfilesTest, NewNameChecksBeforeAnyRequest) {
    const std::wstring unsafe = L"Please do not use special characters like ?!,;'\"\\/.";
    const struct {
        std::string reply;
        std::wstring name, text;
    } cases[] = {
        {"0;0", L"", L"Please type a name for the new child profile."},
        {kTwoProfiles, L"",
         L"Please type a name for the new child profile or use an existing profile."},
        {"0;0", L"kid@home", unsafe},
        {"0;0", L"Ann's", unsafe},
        {"0;0", std::wstring(130, L'\u00e9'), L"Please use a shorter name for the child profile."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        OpenProfilePage(c.reply);
        PressButton(IDC_PROFILE_NEW);
        TypeText(IDC_PROFILE_NAME, c.name);
        const std::size_t before = server_.RequestCount();
        MessageBoxHook hook(IDOK);
        PressButton(IDC_NEXT);
        EXPECT_EQ(ShownBoxes(hook), std::vector<ShownBox>{InputErrorBox(c.text)});
        EXPECT_EQ(server_.RequestCount(), before);
        EXPECT_EQ(g_app.page, PageProfileAfterSignIn);
        EXPECT_FALSE(g_app.profileSet);
        CloseWizard();
    }
}

TEST_F(ChildProfilesTest, ChosenProfileIsSentByIdAndTheNameFieldIgnored) {
    OpenProfilePage(kTwoProfiles);
    SendMessageW(g_controls.ProfileList, CB_SETCURSEL, 1, 0);
    TypeText(IDC_PROFILE_NAME, L"Left over");
    server_.Script({Reply("0"), Reply("0")});
    MessageBoxHook hook(IDOK);
    PressButton(IDC_NEXT);

    EXPECT_TRUE(hook.Boxes().empty());
    EXPECT_EQ(ActionsAfterTheList(), (std::vector<std::string>{"install", "setprofile"}));
    const FormFields install = SplitFormBody(server_.Requests()[1].body);
    EXPECT_EQ(FieldValue(install, "uname"), "ann");
    EXPECT_EQ(FieldValue(install, "pmd5"), "900150983cd24fb0d6963f7d28e17f72");
    const FormFields fields = LastRequestFields();
    EXPECT_EQ(FieldNames(fields),
              (std::vector<std::string>{"action", "uname", "pmd5", "did", "profid"}));
    EXPECT_EQ(FieldValue(fields, "uname"), "ann");
    EXPECT_EQ(FieldValue(fields, "pmd5"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_TRUE(SameDevice(FieldValue(fields, "did"), GetDeviceId()));
    EXPECT_EQ(FieldValue(fields, "profid"), "18");
    EXPECT_TRUE(g_app.profileSet);
    EXPECT_EQ(g_app.page, PageDoneAfterSignIn);
    EXPECT_EQ(GetCursor(), g_draw.ArrowCursor);
}

TEST_F(ChildProfilesTest, NewProfileIsSentByNameAfterAnAccountCreation) {
    OpenProfilePage("0;0", PageProfileAfterCreate);
    TypeText(IDC_PROFILE_NAME, L"Beta Two");
    server_.Script({Reply("0"), Reply("0")});
    PressButton(IDC_NEXT);
    EXPECT_EQ(ActionsAfterTheList(), (std::vector<std::string>{"install", "setprofile"}));
    const FormFields fields = LastRequestFields();
    EXPECT_EQ(FieldNames(fields),
              (std::vector<std::string>{"action", "uname", "pmd5", "did", "profname"}));
    EXPECT_EQ(FieldValue(fields, "profname"), "Beta Two");
    EXPECT_EQ(g_app.page, PageDoneAfterCreate);
}

TEST_F(ChildProfilesTest, AnnouncedButUnlistedProfilesCannotBeChosen) {
    OpenProfilePage("0;3");
    ASSERT_TRUE(Checked(g_controls.ProfileExisting));
    MessageBoxHook hook(IDOK);
    PressButton(IDC_NEXT);
    EXPECT_EQ(ShownBoxes(hook), std::vector<ShownBox>{InputErrorBox(
                                    L"Please choose a child profile or create a new one.")});
    EXPECT_EQ(server_.RequestCount(), 1u);
    EXPECT_EQ(g_app.page, PageProfileAfterSignIn);
}

TEST_F(ChildProfilesTest, RegistrationIsRepeatedOnceAfterAPause) {
    OpenProfilePage("0;0");
    TypeText(IDC_PROFILE_NAME, L"Kid");
    server_.Script({Reply("-3"), Reply("0"), Reply("0")});
    MessageBoxHook hook(IDOK);
    const auto start = steady_clock::now();
    PressButton(IDC_NEXT);
    EXPECT_GE(steady_clock::now() - start, milliseconds(2000));
    EXPECT_TRUE(hook.Boxes().empty());
    EXPECT_EQ(ActionsAfterTheList(),
              (std::vector<std::string>{"install", "install", "setprofile"}));
    EXPECT_EQ(g_app.page, PageDoneAfterSignIn);
}

TEST_F(ChildProfilesTest, RegistrationFailingTwiceSendsNoProfile) {
    OpenProfilePage("0;0");
    TypeText(IDC_PROFILE_NAME, L"Kid");
    server_.Script({Reply("-3"), Reply("-3")});
    MessageBoxHook hook(IDOK);
    PressButton(IDC_NEXT);
    EXPECT_EQ(ShownBoxes(hook), std::vector<ShownBox>{kRegistrationFailedBox});
    EXPECT_EQ(ActionsAfterTheList(), (std::vector<std::string>{"install", "install"}));
    EXPECT_EQ(g_app.page, PageProfileAfterSignIn);
    EXPECT_FALSE(g_app.profileSet);
    EXPECT_EQ(GetCursor(), g_draw.ArrowCursor);
}

TEST_F(ChildProfilesTest, SetProfileFailingTwiceKeepsThePage) {
    OpenProfilePage(kTwoProfiles);
    // No valid reply the first time, a service code the second: the same message.
    server_.Script({Reply("0"), Reply("OK"), Reply("OK"), Reply("OK"), Reply("-4")});
    MessageBoxHook hook(IDOK);
    PressButton(IDC_NEXT);
    EXPECT_EQ(ShownBoxes(hook), std::vector<ShownBox>{ServerAccessBox()});
    EXPECT_EQ(ActionsAfterTheList(),
              (std::vector<std::string>{"install", "setprofile", "setprofile", "setprofile",
                                        "setprofile"}));
    EXPECT_EQ(FieldValue(LastRequestFields(), "profid"), "17");
    EXPECT_EQ(g_app.page, PageProfileAfterSignIn);
    EXPECT_FALSE(g_app.profileSet);
    EXPECT_TRUE(IsShown(g_controls.Next));
}
