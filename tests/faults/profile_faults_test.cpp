// The child-profile page after a sign-in, against a service that lists profiles
// in hostile ways or fails to bind the device: the page lists what it can hold,
// the parent can always go on (with a listed profile or a new one), and a failed
// registration or binding keeps the page with its message.

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "tests/faults/fault_harness.h"
#include "tests/support/form_fields.h"
#include "ui/controls.h"

namespace {

const std::wstring kUserName = L"ann";
const std::wstring kPassword = L"pony-club";
const std::wstring kNewProfile = L"Kid";

// The values a sign-in stores; the profile page adds none.
const std::vector<std::wstring> kSignInValues{L"State\\AuthInfoMD5", L"State\\AuthInfoUserName",
                                              L"State\\RegSucceeded", L"UID"};

ExpectedBox NoProfileChosen() {
    return {L"Tirna - Input error", L"Please choose a child profile or create a new one."};
}

ExpectedBox RegistrationFailed() {
    return {L"Tirna - Server error",
            L"There was an error authenticating your device with Tirna server. Please try again "
            L"later."};
}

std::string ManyProfiles(int count) {
    std::string reply = "0;";
    reply += std::to_string(count);
    for (int i = 1; i <= count; ++i) {
        const std::string number = std::to_string(i);
        reply.append(";").append(number).append(";P").append(number);
    }
    return reply;
}

std::vector<std::wstring> ProfileNames(int count) {
    std::vector<std::wstring> names;
    for (int i = 1; i <= count; ++i) names.push_back(L"P" + std::to_wstring(i));
    return names;
}

struct ListCase {
    const char* name;
    std::vector<ScriptedReply> profiles;  // the replies to "getprofiles"
    std::vector<std::wstring> listed{};
    // The page starts on the listed profiles (the service announced some), else
    // on a new profile.
    bool startsOnListed = false;
    // The listed profile to choose; none: a new profile, after the page has refused
    // to send a listed one that it cannot name when it started there.
    std::optional<std::wstring> choice{};
    std::string sentField{};  // the profile field of "setprofile"
    std::string transcript{};
};

void PrintTo(const ListCase& c, std::ostream* out) {
    *out << c.name;
}

std::string CaseName(const ::testing::TestParamInfo<ListCase>& info) {
    return info.param.name;
}

const ListCase kListCases[] = {
    {.name = "HugeCount",
     .profiles = {Reply("0;999999999;1;A")},
     .listed = {L"A"},
     .startsOnListed = true,
     .choice = L"A",
     .sentField = "profid=1",
     .transcript = "S S S S"},
    {.name = "NegativeCount",
     .profiles = {Reply("0;-3")},
     .startsOnListed = true,
     .sentField = "profname=Kid",
     .transcript = "S S S S"},
    {.name = "EmptyFields",
     .profiles = {Reply("0;2;x;;;")},
     .startsOnListed = true,
     .sentField = "profname=Kid",
     .transcript = "S S S S"},
    // A name is cut to the 259 characters that a table entry holds.
    {.name = "NameOf1000Chars",
     .profiles = {Reply("0;1;5;" + std::string(1000, 'N'))},
     .listed = {std::wstring(259, L'N')},
     .startsOnListed = true,
     .choice = std::wstring(259, L'N'),
     .sentField = "profid=5",
     .transcript = "S S S S"},
    // The table holds 20 profiles.
    {.name = "TwentyFiveProfiles",
     .profiles = {Reply(ManyProfiles(25))},
     .listed = ProfileNames(20),
     .startsOnListed = true,
     .choice = L"P20",
     .sentField = "profid=20",
     .transcript = "S S S S"},
    // Names are decoded from the ANSI code page.
    {.name = "HighBytesInName",
     .profiles = {Bytes("0;1;5;\xE9t\xE9\xFF")},
     .listed = {L"\u00e9t\u00e9\u00ff"},
     .startsOnListed = true,
     .choice = L"\u00e9t\u00e9\u00ff",
     .sentField = "profid=5",
     .transcript = "S S S S"},
    {.name = "NulInName",
     .profiles = {Bytes(std::string_view("0;1;5;Al\0ice", 12))},
     .listed = {L"Al"},
     .startsOnListed = true,
     .choice = L"Al",
     .sentField = "profid=5",
     .transcript = "S S S S"},
    {.name = "MiBAfterTheList",
     .profiles = {MiBReply("0;1;5;Alice;")},
     .listed = {L"Alice"},
     .startsOnListed = true,
     .choice = L"Alice",
     .sentField = "profid=5",
     .transcript = "S S S S"},
    // No list at all: the page starts on a new profile.
    {.name = "ListDropped",
     .profiles = std::vector<ScriptedReply>(9, DroppedReply()),
     .sentField = "profname=Kid",
     .transcript = "S F F F E-10 S S"},
};

class ProfileFaults : public FaultTest {
  protected:
    void SetUp() override {
        FaultTest::SetUp();
        before_ = SnapshotProductKey();
    }

    // Signs in from an ordinary start without stored credentials, which opens the
    // wizard without asking the service, and waits for the profile page.
    ::testing::AssertionResult ReachProfilePage() {
        process_ = std::make_unique<DebuggedProcess>(ProgramPath(), L"");
        if (!process_->Started()) return ::testing::AssertionFailure() << "not started";
        wizard_ = WaitForWizardWindow(process_->ProcessId(), kRunTimeoutMs);
        if (wizard_ == nullptr) return ::testing::AssertionFailure() << "no wizard";
        if (auto typed = SignInWith(wizard_, kUserName, kPassword); !typed) return typed;
        if (!WaitForView(wizard_, WizardView::Profile, kRunTimeoutMs)) {
            return ::testing::AssertionFailure() << DescribeWizard(wizard_);
        }
        return ::testing::AssertionSuccess();
    }

    // A new profile's name typed after choosing that option.
    void ChooseNewProfile() {
        Press(wizard_, IDC_PROFILE_NEW);
        EXPECT_TRUE(TypeInto(wizard_, IDC_PROFILE_NAME, kNewProfile));
    }

    void ExpectSignInValuesOnly() {
        EXPECT_EQ(ChangedValues(before_, SnapshotProductKey()), kSignInValues);
    }

    std::unique_ptr<LoopbackServer> service_;
    RegistrySnapshot before_;
    std::unique_ptr<DebuggedProcess> process_;
    HWND wizard_ = nullptr;
};

class ProfileListFaults : public ProfileFaults, public ::testing::WithParamInterface<ListCase> {};

}  // namespace

TEST_P(ProfileListFaults, ListsWhatFitsAndLetsTheParentGoOn) {
    const ListCase& c = GetParam();
    std::vector<ScriptedReply> replies{Reply("0;42")};
    replies.insert(replies.end(), c.profiles.begin(), c.profiles.end());
    service_ = StartService(true, replies, Reply("0"));
    ASSERT_TRUE(ReachProfilePage());
    EXPECT_EQ(ProfileChoices(wizard_), c.listed);
    EXPECT_EQ(IsChecked(wizard_, IDC_PROFILE_EXISTING), c.startsOnListed);
    EXPECT_EQ(IsChecked(wizard_, IDC_PROFILE_NEW), !c.startsOnListed);
    EXPECT_EQ(IsEnabled(wizard_, IDC_PROFILE_NAME), !c.startsOnListed);

    if (c.choice) {
        ASSERT_TRUE(ChooseProfile(wizard_, *c.choice));
    } else {
        if (c.startsOnListed) {
            // Listed profiles were announced but none can be chosen: nothing is sent.
            Press(wizard_, IDC_NEXT);
            EXPECT_TRUE(AnswerBox(*process_, wizard_, NoProfileChosen()));
        }
        ChooseNewProfile();
    }
    Press(wizard_, IDC_NEXT);
    FinishRun(*process_, wizard_);
    ExpectNoCrash(*process_);
    EXPECT_EQ(NetTranscript(process_->Lines()), c.transcript);

    const auto requests = service_->Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(ActionOf(requests.back()), "setprofile");
    EXPECT_EQ(SplitFormBody(requests.back().body).back(), SplitFormBody(c.sentField).front());
    ExpectSignInValuesOnly();
}

INSTANTIATE_TEST_SUITE_P(Reply, ProfileListFaults, ::testing::ValuesIn(kListCases), CaseName);

// The binding is tried twice, two seconds apart; when both fail the page stays with
// its message, and the next press of Next registers the device again.
TEST_F(ProfileFaults, FailedBindingKeepsThePageUntilItSucceeds) {
    std::vector<ScriptedReply> replies{Reply("0;42"), Reply("0;1;5;Alice"), Reply("0"),
                                       Reply("-3")};
    replies.insert(replies.end(), 9, DroppedReply());
    replies.insert(replies.end(), {Reply("0"), Reply("0")});
    service_ = StartService(true, replies, Reply(""));
    ASSERT_TRUE(ReachProfilePage());
    Press(wizard_, IDC_NEXT);
    EXPECT_TRUE(AnswerBox(*process_, wizard_, ServerAccessMessage()));
    EXPECT_EQ(CurrentView(wizard_), WizardView::Profile);
    EXPECT_EQ(ProfileChoices(wizard_), std::vector<std::wstring>{L"Alice"});

    Press(wizard_, IDC_NEXT);
    FinishRun(*process_, wizard_);
    ExpectNoCrash(*process_);
    EXPECT_EQ(NetTranscript(process_->Lines()), "S S S E-3 F F F E-10 S S");
    std::vector<std::string> actions;
    for (const auto& request : service_->Requests()) actions.push_back(ActionOf(request));
    std::vector<std::string> expected{"authuser", "getprofiles", "install", "setprofile"};
    expected.insert(expected.end(), 9, "setprofile");
    expected.insert(expected.end(), {"install", "setprofile"});
    EXPECT_EQ(actions, expected);
    ExpectSignInValuesOnly();
}

// Without a registration the binding is not even sent; closing then still asks.
TEST_F(ProfileFaults, FailedRegistrationSendsNoBinding) {
    std::vector<ScriptedReply> replies{Reply("0;42"), Reply("0;1;5;Alice")};
    replies.insert(replies.end(), 9, DroppedReply());
    service_ = StartService(true, replies, HtmlErrorReply());
    ASSERT_TRUE(ReachProfilePage());
    Press(wizard_, IDC_NEXT);
    EXPECT_TRUE(AnswerBox(*process_, wizard_, RegistrationFailed()));
    EXPECT_EQ(CurrentView(wizard_), WizardView::Profile);
    EXPECT_EQ(CloseWizard(*process_, wizard_, true), 0u);
    ExpectNoCrash(*process_);
    EXPECT_EQ(NetTranscript(process_->Lines()), "S S F F F E-10 I I I E-10");
    std::vector<std::string> actions;
    for (const auto& request : service_->Requests()) actions.push_back(ActionOf(request));
    std::vector<std::string> expected{"authuser", "getprofiles"};
    expected.insert(expected.end(), 12, "install");
    EXPECT_EQ(actions, expected);
    ExpectSignInValuesOnly();
}
