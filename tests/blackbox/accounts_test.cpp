// Sign-in, account creation and the child-profile page, run by run: what the
// parent types, what the service answers, and what the program shows, sends and
// stores.

#include "tests/blackbox/harness.h"
#include "ui/controls.h"

namespace {

using Strings = std::vector<std::string>;

const std::wstring kBothFields = L"Please make sure you type both a username and a password.";
const std::string kSecret = std::string("&pmd5=") + kSecretDigest;
const std::string kAuth = "action=authuser&did=<did>&uname=ann" + kSecret;
const std::string kProfiles = "action=getprofiles&did=none&uname=ann" + kSecret;
const std::string kInstall = "action=install&did=<did>&uname=ann" + kSecret +
                             "&product=2_1.0&osv=<os>&dtype=<type>&dname=<name>&dconfig=<config>";
const std::string kBinding = "action=setprofile&uname=ann" + kSecret + "&did=<did>";
const Strings kStored = {std::string("State\\AuthInfoMD5=sz:") + kSecretDigest,
                         "State\\AuthInfoUserName=sz:ann", "State\\RegSucceeded=dword:1"};

Strings operator+(Strings a, const Strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A failed sign-in keeps the page as the parent left it; a sign-in run then
// closes without asking.
const std::vector<Step> kSignInFails =
    SignIn(L"ann", L"secret") + Answer() + Sees("sign-in user=ann password=secret") + Close();

const Run kSignIns[] = {
    {.name = "InputErrorsInOrderBeforeAnyRequest",
     .arguments = L"/signin",
     .steps = SignIn(L"", L"") + Answer() + SignIn(L"ann", L"") + Answer() +
              SignIn(L"", L"secret") + Answer() + SignIn(L"an;n", L"secret") + Answer() +
              SignIn(std::wstring(130, L'\u00e9'), L"secret") + Answer() + Close(),
     .boxes = {InputError(kBothFields), InputError(kBothFields), InputError(kBothFields),
               InputError(L"Please do not use special characters like ?!,;'\"\\/ in your username"),
               InputError(L"Please use a shorter username or email.")},
     .written = {"TempA=dword:0"}},
    // Blanks are kept; a password may hold ";".
    {.name = "AcceptedEndsTheSignInRunAndStoresTheAccount",
     .arguments = L"/signin",
     .replies = {Reply("0;42")},
     .steps = SignIn(L" ann@example.com ", L"p;w"),
     .requests = {"action=authuser&did=<did>&uname= ann@example.com "
                  "&pmd5=471e99a62fd35d5a70cae4fcc9ea9e18"},
     .transcript = "S",
     .written = {"State\\AuthInfoMD5=sz:471e99a62fd35d5a70cae4fcc9ea9e18",
                 "State\\AuthInfoUserName=sz: ann@example.com ", "State\\RegSucceeded=dword:1",
                 "TempA=dword:1", "UID=dword:42"}},
    {.name = "AcceptedInAnOrdinaryRunOpensTheProfilePage",
     .replies = {Reply("0;42"), Reply("0;2;17;Alpha;18;Beta")},
     .steps = SignIn(L"ann", L"secret") + Await(View::Profile) +
              Sees("profile [Alpha|Beta] picked=0 existing=on new=off name=(disabled)") + Close() +
              Answer(IDYES),
     .boxes = {CloseQuestion()},
     .requests = {kAuth, kProfiles},
     .written = kStored + Strings{"UID=dword:42"}},
    {.name = "InstallerSignInRunGoesOnToTheProfilePage",
     .arguments = L"/signin /installer",
     .replies = {Reply("0"), Reply("0;42"), Reply("0;0")},
     .steps = SignIn(L"ann", L"secret") + Await(View::Profile) +
              Sees("profile [](disabled) picked=-1 existing=off(disabled) new=on name=") + Close(),
     .requests = {"install", kAuth, kProfiles},
     .written = kStored + Strings{"TempA=dword:1", "UID=dword:42"}},
    {.name = "RefusalIsNotRepeatedWhateverFollowsTheCode",
     .arguments = L"/signin",
     .replies = {Reply(Bytes("-2\xFF\0x"))},
     .steps = kSignInFails,
     .boxes = {SignInRefused()},
     .requests = {"authuser"},
     .transcript = "E-2",
     .written = {"TempA=dword:0"}},
    // Four calls a second apart, each of three attempts.
    {.name = "NothingListeningIsAskedFourTimes",
     .arguments = L"/signin",
     .listening = false,
     .steps = kSignInFails,
     .boxes = {NoConnectivity()},
     .transcript = Times("F F F E-10", 4),
     .written = {"TempA=dword:0"}},
    {.name = "DroppedConnectionsAreAskedFourTimes",
     .arguments = L"/signin",
     .otherwise = DroppedReply(),
     .steps = kSignInFails,
     .boxes = {NoConnectivity()},
     .requests = Strings(36, "authuser"),
     .transcript = Times("F F F E-10", 4),
     .written = {"TempA=dword:0"}},
    {.name = "InvalidRepliesAreAskedFourTimes",
     .arguments = L"/signin",
     .otherwise = GarbageMiBReply(),
     .steps = kSignInFails,
     .boxes = {NoConnectivity()},
     .requests = Strings(12, "authuser"),
     .transcript = Times("I I I E-10", 4),
     .written = {"TempA=dword:0"}},
    {.name = "ErrorReadingAsZeroIsAskedFourTimes",
     .arguments = L"/signin",
     .otherwise = Reply("-0"),
     .steps = kSignInFails,
     .boxes = {ServerAccess()},
     .requests = Strings(4, "authuser"),
     .transcript = Times("E0", 4),
     .written = {"TempA=dword:0"}},
    {.name = "RepeatAfterAPauseCanBeAccepted",
     .arguments = L"/signin",
     .replies = {Reply("OK"), Reply("OK"), Reply("OK"), Reply("0;7")},
     .steps = SignIn(L"ann", L"secret"),
     .requests = Strings(4, "authuser"),
     .transcript = "I I I E-10 ~S",
     .written = kStored + Strings{"TempA=dword:1", "UID=dword:7"}},
    {.name = "SlowHugeAcceptedReply",
     .arguments = L"/signin",
     .replies = {MiBReply("0;42")},
     .steps = SignIn(L"ann", L"secret"),
     .requests = {kAuth},
     .transcript = "S",
     .written = kStored + Strings{"TempA=dword:1", "UID=dword:42"}},
    // The reply ends at its first NUL; the status plays no part.
    {.name = "AcceptedWithoutUserIdKeepsTheStoredOne",
     .arguments = L"/signin",
     .stored = {"UID=dword:9"},
     .replies = {Reply(Bytes("0\0;42"), 500)},
     .steps = SignIn(L"ann", L"secret"),
     .requests = {"authuser"},
     .transcript = "S",
     .written = kStored + Strings{"TempA=dword:1"}},
};

class SignInRun : public ::testing::TestWithParam<Run> {};
TEST_P(SignInRun, Plays) {
    Play(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Rows, SignInRun, ::testing::ValuesIn(kSignIns), RunName);

const ShownBox kNoEmailQuestion = {
    L"Tirna - Warning",
    L"Are you sure you don't want to add an email address where Tirna can send you notifications?",
    MB_YESNO | MB_ICONQUESTION};
const std::wstring kUnsafe =
    L"Please do not use special characters like ?!,;'\"\\/ in your username or email.";
const std::wstring kSamePassword =
    L"Please make sure you type the same password in both password fields.";
const std::vector<Step> kCreateFails =
    OpenCreatePage() + CreateAccount(L"ann", L"secret", L"secret", L"ann@example.org") + Answer() +
    Sees("create user=ann password=secret confirm=secret email=ann@example.org") + Close();

const Run kCreations[] = {
    {.name = "InputChecksInOrderBeforeAnyRequest",
     .arguments = L"/signin",
     .steps = OpenCreatePage() + CreateAccount(L"ann", L"", L"", L"") + Answer() +
              CreateAccount(L"ann", L"pw", L"pw", L"") + Answer(IDNO) +
              CreateAccount(L"a,b", L"pw", L"pw", L"") + Answer(IDYES) + Answer() +
              CreateAccount(L"ann", L"pw", L"pw", L"o'neil@example.com") + Answer() +
              CreateAccount(L"ann", L"pw", L"PW", L"ann@example.com") + Answer() +
              CreateAccount(L"ann", L"pw", L"", L"ann@example.com") + Answer() +
              CreateAccount(L"ann", L"pw", L"pw", std::wstring(130, L'\u00e9')) + Answer() +
              Close(),
     .boxes = {InputError(kBothFields), kNoEmailQuestion, kNoEmailQuestion, InputError(kUnsafe),
               InputError(kUnsafe), InputError(kSamePassword), InputError(kSamePassword),
               InputError(L"Please use a shorter username or email.")},
     .written = {"TempA=dword:0"}},
    // Created without an e-mail address; the new account names a new profile.
    {.name = "CreatedAccountNamesANewProfile",
     .replies = {Reply("0"), Reply("0;0"), Reply("0"), Reply("0")},
     .steps = OpenCreatePage() + CreateAccount(L"Ren\u00e9e", L"pw", L"pw", L"") + Answer(IDYES) +
              Await(View::Profile) +
              Sees("profile [](disabled) picked=-1 existing=off(disabled) new=on name=") +
              Type(IDC_PROFILE_NAME, L"Beta Two") + Press(IDC_NEXT) + Finish(),
     .boxes = {kNoEmailQuestion},
     .requests = {"action=createuser&uname=Ren\xC3\xA9"
                  "e&pmd5=8fe4c11451281c094a6578e6ddbf5eed&did=none",
                  "action=getprofiles&did=none&uname=Ren\xC3\xA9"
                  "e&pmd5=8fe4c11451281c094a6578e6ddbf5eed",
                  "install",
                  "action=setprofile&uname=Ren\xC3\xA9"
                  "e&pmd5=8fe4c11451281c094a6578e6ddbf5eed&did=<did>&profname=Beta Two"},
     .transcript = "A S S S",
     .written = {"State\\AuthInfoMD5=sz:8fe4c11451281c094a6578e6ddbf5eed",
                 "State\\AuthInfoUserName=sz:Ren\xC3\xA9"
                 "e",
                 "State\\RegSucceeded=dword:1"}},
    {.name = "TakenNameInAHugeReply",
     .arguments = L"/signin",
     .replies = {MiBReply("-5")},
     .steps = kCreateFails,
     .boxes =
         {{L"Tirna - Create account error.",
           L"The username you choosed is already taken. Please choose a different one try again.",
           MB_OK}},
     .requests = {"action=createuser&uname=ann" + kSecret + "&did=none&email=ann@example.org"},
     .transcript = "C",
     .written = {"TempA=dword:0"}},
    {.name = "OtherRefusal",
     .arguments = L"/signin",
     .replies = {Reply("-12;x")},
     .steps = kCreateFails,
     .boxes = {{L"Tirna - Create account error.",
                L"Invalid username or password. Please make sure you typed them correctly and try "
                L"again.",
                MB_OK}},
     .requests = {"createuser"},
     .transcript = "C",
     .written = {"TempA=dword:0"}},
    {.name = "ErrorReadingAsZero",
     .arguments = L"/signin",
     .replies = {Reply("-0")},
     .steps = kCreateFails,
     .boxes = {ServerAccess()},
     .requests = {"createuser"},
     .transcript = "C",
     .written = {"TempA=dword:0"}},
    // Three attempts without a pause, and a line only for a failed send.
    {.name = "InvalidRepliesThreeAttempts",
     .arguments = L"/signin",
     .otherwise = HtmlErrorReply(),
     .steps = kCreateFails,
     .boxes = {NoConnectivity()},
     .requests = Strings(3, "createuser"),
     .transcript = "C",
     .written = {"TempA=dword:0"}},
    {.name = "NulBeforeTheCodeIsInvalid",
     .arguments = L"/signin",
     .otherwise = Reply(Bytes("\0-5")),
     .steps = kCreateFails,
     .boxes = {NoConnectivity()},
     .requests = Strings(3, "createuser"),
     .transcript = "C",
     .written = {"TempA=dword:0"}},
    {.name = "NothingListening",
     .arguments = L"/signin",
     .listening = false,
     .steps = kCreateFails,
     .boxes = {NoConnectivity()},
     .transcript = "X X X C",
     .written = {"TempA=dword:0"}},
    {.name = "DroppedConnections",
     .arguments = L"/signin",
     .otherwise = DroppedReply(),
     .steps = kCreateFails,
     .boxes = {NoConnectivity()},
     .requests = Strings(9, "createuser"),
     .transcript = "X X X C",
     .written = {"TempA=dword:0"}},
    {.name = "SlowCreatedWithStatus500",
     .arguments = L"/signin",
     .replies = {SlowReply("0"), Reply("0;0")},
     .steps = OpenCreatePage() + CreateAccount(L"ann", L"secret", L"secret", L"ann@example.org") +
              Await(View::Profile) + Close(),
     .requests = {"createuser", kProfiles},
     .transcript = "A S",
     .written = kStored + Strings{"TempA=dword:1"}},
};

class AccountCreationRun : public ::testing::TestWithParam<Run> {};
TEST_P(AccountCreationRun, Plays) {
    Play(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Rows, AccountCreationRun, ::testing::ValuesIn(kCreations), RunName);

std::string ManyProfiles(int count) {
    std::string reply = "0;" + std::to_string(count);
    for (int i = 1; i <= count; ++i) reply += ";" + std::to_string(i) + ";P" + std::to_string(i);
    return reply;
}

// An ordinary run without stored credentials opens the wizard at once; the parent
// signs in and reaches the profile page with the service's list.
Run Profiles(const char* name, ScriptedReply list, std::string look, std::vector<Step> choice,
             std::string binding, std::vector<ShownBox> boxes = {}) {
    return {.name = name,
            .replies = {Reply("0;42"), std::move(list)},
            .otherwise = Reply("0"),
            .steps = SignIn(L"ann", L"secret") + Await(View::Profile) + Sees(std::move(look)) +
                     choice + Press(IDC_NEXT) + Finish(),
            .boxes = std::move(boxes),
            .requests = {kAuth, kProfiles, kInstall, kBinding + binding},
            .transcript = "S S S S",
            .written = kStored + Strings{"UID=dword:42"}};
}

const std::vector<Step> kNewProfile = {Press(IDC_PROFILE_NEW), Type(IDC_PROFILE_NAME, L"Kid")};
const Run kProfileRuns[] = {
    Profiles("ChosenProfileIsSentByIdAndTheNameIgnored", Reply("0;2;17;Alpha;18;Beta"),
             "profile [Alpha|Beta] picked=0 existing=on new=off name=(disabled)",
             {Choose(L"Beta"), Type(IDC_PROFILE_NAME, L"Left over")}, "&profid=18"),
    Profiles("HugeCountListsWhatCame", Reply("0;999999999;1;A"),
             "profile [A] picked=0 existing=on new=off name=(disabled)", {}, "&profid=1"),
    Profiles("TwentyProfilesAtMost", Reply(ManyProfiles(25)),
             "profile [P1|P2|P3|P4|P5|P6|P7|P8|P9|P10|P11|P12|P13|P14|P15|P16|P17|P18|P19|P20] "
             "picked=0 existing=on new=off name=(disabled)",
             {Choose(L"P20")}, "&profid=20"),
    Profiles("NamesCutAt259Characters", Reply("0;1;5;" + std::string(1000, 'N')),
             "profile [" + std::string(259, 'N') + "] picked=0 existing=on new=off name=(disabled)",
             {}, "&profid=5"),
    Profiles("NamesReadInTheAnsiCodePageUpToANul", Reply(Bytes("0;2;5;\xE9t\xE9\xFF;6;Al\0ice")),
             "profile [\xC3\xA9t\xC3\xA9\xC3\xBF|Al] picked=0 existing=on new=off name=(disabled)",
             {Choose(L"Al")}, "&profid=6"),
    Profiles("EmptyNameTakesTheNextField", Reply("0;2;17;;18;Beta"),
             "profile [18] picked=0 existing=on new=off name=(disabled)", kNewProfile,
             "&profname=Kid"),
    Profiles("NoListStartsOnANewProfile", Reply("0"),
             "profile [](disabled) picked=-1 existing=off(disabled) new=on name=",
             {Type(IDC_PROFILE_NAME, L"Kid")}, "&profname=Kid"),
    // Profiles announced but none listed: nothing can be chosen, a new one can.
    Profiles("AnnouncedButUnlistedAsksForAChoice", Reply("0;3"),
             "profile [] picked=-1 existing=on new=off name=(disabled)",
             std::vector<Step>{Press(IDC_NEXT), Answer()} + kNewProfile, "&profname=Kid",
             {InputError(L"Please choose a child profile or create a new one.")}),
    Profiles("NewNameChecksBeforeAnyRequest", Reply("0;0"),
             "profile [](disabled) picked=-1 existing=off(disabled) new=on name=",
             std::vector<Step>{Press(IDC_NEXT), Answer(), Type(IDC_PROFILE_NAME, L"kid@home"),
                               Press(IDC_NEXT), Answer(),
                               Type(IDC_PROFILE_NAME, std::wstring(130, L'\u00e9')),
                               Press(IDC_NEXT), Answer(), Type(IDC_PROFILE_NAME, L"Kid")},
             "&profname=Kid",
             {InputError(L"Please type a name for the new child profile."),
              InputError(L"Please do not use special characters like ?!,;'\"\\/."),
              InputError(L"Please use a shorter name for the child profile.")}),
    Profiles(
        "NewNameNeededBesideListedProfiles", Reply("0;1;17;Alpha"),
        "profile [Alpha] picked=0 existing=on new=off name=(disabled)",
        std::vector<Step>{Press(IDC_PROFILE_NEW), Press(IDC_NEXT), Answer(),
                          Sees("profile [Alpha](disabled) picked=0 existing=off new=on name="),
                          Press(IDC_PROFILE_EXISTING)},
        "&profid=17",
        {InputError(L"Please type a name for the new child profile or use an existing profile.")}),
    // The registration before the binding is repeated once, two seconds later.
    {.name = "RegistrationRepeatedOnceAfterAPause",
     .replies = {Reply("0;42"), Reply("0;0"), Reply("-3")},
     .otherwise = Reply("0"),
     .steps = SignIn(L"ann", L"secret") + Await(View::Profile) + Type(IDC_PROFILE_NAME, L"Kid") +
              Press(IDC_NEXT) + Finish(),
     .requests = {kAuth, kProfiles, kInstall, kInstall, kBinding + "&profname=Kid"},
     .transcript = "S S E-3 ~S S",
     .written = kStored + Strings{"UID=dword:42"}},
    {.name = "RegistrationFailingTwiceSendsNoBinding",
     .replies = {Reply("0;42"), Reply("0;1;5;Alice")},
     .otherwise = Reply("-3"),
     .steps = SignIn(L"ann", L"secret") + Await(View::Profile) + Press(IDC_NEXT) + Answer() +
              Sees("profile [Alice] picked=0 existing=on new=off name=(disabled)") + Close() +
              Answer(IDYES),
     .boxes = {{L"Tirna - Server error",
                L"There was an error authenticating your device with Tirna server. Please try "
                L"again later.",
                MB_OK | MB_ICONEXCLAMATION},
               CloseQuestion()},
     .requests = {kAuth, kProfiles, kInstall, kInstall},
     .transcript = "S S E-3 ~E-3",
     .written = kStored + Strings{"UID=dword:42"}},
    // The binding too is tried twice, two seconds apart; the next Next registers again.
    {.name = "FailedBindingKeepsThePageUntilItSucceeds",
     .replies = {Reply("0;42"), Reply("0;1;5;Alice"), Reply("0"), Reply("-3"), DroppedReply(),
                 DroppedReply(), DroppedReply(), DroppedReply(), DroppedReply(), DroppedReply(),
                 DroppedReply(), DroppedReply(), DroppedReply()},
     .otherwise = Reply("0"),
     .steps = SignIn(L"ann", L"secret") + Await(View::Profile) + Press(IDC_NEXT) + Answer() +
              Sees("profile [Alice] picked=0 existing=on new=off name=(disabled)") +
              Press(IDC_NEXT) + Finish(),
     .boxes = {ServerAccess()},
     .requests = Strings{kAuth, kProfiles, kInstall} + Strings(10, kBinding + "&profid=5") +
                 Strings{kInstall, kBinding + "&profid=5"},
     .transcript = "S S S E-3 ~F F F E-10 S S",
     .written = kStored + Strings{"UID=dword:42"}},
};

class ChildProfileRun : public ::testing::TestWithParam<Run> {};
TEST_P(ChildProfileRun, Plays) {
    Play(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Rows, ChildProfileRun, ::testing::ValuesIn(kProfileRuns), RunName);

}  // namespace
