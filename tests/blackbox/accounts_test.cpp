// Sign-in, account creation and the child-profile page, run by run: what the
// parent types, what the service answers, and what the program shows, sends and
// stores.

#include "core/control_ids.h"
#include "tests/blackbox/harness.h"

namespace {

using namespace std::string_literals;

const std::wstring kBothFields = L"Please make sure you type both a username and a password.";
const std::string kSecret = std::string("&pmd5=") + kSecretDigest;
const std::string kAuth = "action=authuser&did=<did>&uname=ann" + kSecret;
const std::string kProfiles = "action=getprofiles&did=none&uname=ann" + kSecret;
const std::string kDevice =
    "&product=2_1.0&osv=<osv>&dtype=<dtype>&dname=<dname>&dconfig=<dconfig>";
const std::string kInstall = "action=install&did=<did>&uname=ann" + kSecret + kDevice;
const std::string kBinding = "action=setprofile&uname=ann" + kSecret + "&did=<did>";
const std::string kOld = "action=install&did=<did>&uname=ann&pmd5=" + std::string(kAbcDigest);
const Strings kStored = {std::string("State\\AuthInfoMD5=sz:") + kSecretDigest,
                         "State\\AuthInfoUserName=sz:ann", "State\\RegSucceeded=dword:1"};
const Strings kNothingStored = {"TempA=dword:0"};
// Wider than the fields that take them.
const std::wstring kLongAddress = L"firstname.lastname@example.com";
const std::wstring kLongPassword = L"p;w\u00f6rd-7 correct-horse-battery-staple-42";
const std::string kLongPasswordDigest = "3f36ec0373ec7722624d4189686588f1";

// clang-format off
// A sign-in run whose sign-in fails: the box, the page kept as the parent left
// it, the run closed without a question.
Run SignInFails(const char* name, std::vector<ScriptedReply> replies, ScriptedReply otherwise, ShownBox box,
                std::string transcript, Strings requests) {
    return {.name = name, .arguments = L"/signin", .replies = std::move(replies), .otherwise = std::move(otherwise),
            .steps = SignIn(L"ann", L"secret") + Answer() + Sees("sign-in user=ann password=secret") + Close(),
            .boxes = {std::move(box)}, .requests = std::move(requests), .transcript = std::move(transcript),
            .written = kNothingStored};
}

const auto Offline = [](Run run) { run.listening = false; return run; };  // nothing listens on the port
const auto Of1252 = [](Run run) { run.codePage1252 = true; return run; };

const Run kSignIns[] = {
    {.name = "InputErrorsInOrderBeforeAnyRequest", .arguments = L"/signin",
     .steps = SignIn(L"", L"") + Answer() + SignIn(L"ann", L"") + Answer() + SignIn(L"", L"secret") + Answer() +
              SignIn(L"an;n", L"secret") + Answer() + SignIn(std::wstring(130, L'\u00e9'), L"secret") + Answer() +
              Close(),
     .boxes = {InputError(kBothFields), InputError(kBothFields), InputError(kBothFields),
               InputError(L"Please do not use special characters like ?!,;'\"\\/ in your username"),
               InputError(L"Please use a shorter username or email.")},
     .written = kNothingStored},
    // Typed key by key, longer than the fields are wide: blanks are kept; a password
    // may hold ";" and letters outside ASCII.
    {.name = "AcceptedStoresTheAccountAsTyped", .arguments = L"/signin", .replies = {Reply("0;42")},
     .steps = {Keys(IDC_SIGNIN_USER, L" " + kLongAddress + L" "), Keys(IDC_SIGNIN_PASSWORD, kLongPassword),
               Press(IDC_SIGNIN_BUTTON)},
     .requests = {"action=authuser&did=<did>&uname= " + Utf8(kLongAddress) + " &pmd5=" + kLongPasswordDigest},
     .written = {"State\\AuthInfoMD5=sz:" + kLongPasswordDigest, "State\\AuthInfoUserName=sz: " + Utf8(kLongAddress) +
                 " ", "State\\RegSucceeded=dword:1", "TempA=dword:1", "UID=dword:42"}, .codePage1252 = true},
    {.name = "AcceptedInAnOrdinaryRunOpensTheProfilePage", .replies = {Reply("0;42"), Reply("0;2;17;Alpha;18;Beta")},
     .steps = SignIn(L"ann", L"secret") + Await(View::Profile) +
              Sees("profile [Alpha|Beta] picked=0 existing=on new=off name=(disabled)") + Close() + Answer(IDYES),
     .boxes = {kCloseQuestion}, .requests = {kAuth, kProfiles}, .written = kStored + Strings{"UID=dword:42"}},
    // ... and, as every run with /signin, ends once the profile is bound: no closing page.
    {.name = "InstallerSignInRunGoesOnToTheProfilePage", .arguments = L"/signin /installer",
     .replies = {Reply("0"), Reply("0;42"), Reply("0;1;5;Alice"), Reply("0"), Reply("0")},
     .steps = SignIn(L"ann", L"secret") + Await(View::Profile) + Press(IDC_NEXT),
     .requests = {"install", kAuth, kProfiles, "install", kBinding + "&profid=5"},
     .written = kStored + Strings{"TempA=dword:1", "UID=dword:42"}},
    // A refusal is not asked again, whatever follows its code.
    SignInFails("Refused", {Reply("-2\xFF\0x"s)}, {}, kSignInRefused, "E-2", {"authuser"}),
    // Four calls a second apart; only no valid reply and an error reading as 0 are asked again.
    Offline(SignInFails("NothingListening", {}, {}, kNoConnectivity,
                        "F F F E-10 ~F F F E-10 ~F F F E-10 ~F F F E-10", {})),
    SignInFails("ErrorReadingAsZero", {}, Reply("-0"), kServerAccess, "E0 ~E0 ~E0 ~E0", Strings(4, "authuser")),
    // The refusal -10 reads as no valid reply.
    SignInFails("MinusTenReadsAsNoValidReply", {}, Reply("-10"), kNoConnectivity, "E-10 ~E-10 ~E-10 ~E-10",
                Strings(4, "authuser")),
    // Accepted: the sign-in run ends at once.
    {.name = "RepeatAfterAPause", .arguments = L"/signin",
     .replies = {Reply("OK"), Reply("OK"), Reply("OK"), Reply("0;7")},
     .steps = SignIn(L"ann", L"secret"), .requests = Strings(4, "authuser"), .transcript = "I I I E-10 ~S",
     .written = kStored + Strings{"TempA=dword:1", "UID=dword:7"}},
    // The reply ends at its first NUL (the 42 after it would be a user id); the status
    // plays no part; the stored user id stays.
    {.name = "AcceptedWithoutUserId", .arguments = L"/signin", .stored = {"UID=dword:9"},
     .replies = {Reply("0\0" "42"s, 500)}, .steps = SignIn(L"ann", L"secret"), .requests = {"authuser"},
     .transcript = "S", .written = kStored + Strings{"TempA=dword:1"}},
};

INSTANTIATE_TEST_SUITE_P(SignIn, Runs, ::testing::ValuesIn(kSignIns), RunName);

const ShownBox kNoEmail = {
    L"Tirna - Warning",
    L"Are you sure you don't want to add an email address where Tirna can send you notifications?",
    MB_YESNO | MB_ICONQUESTION};
const std::wstring kUnsafe =
    L"Please do not use special characters like ?!,;'\"\\/ in your username or email.";
const std::wstring kSame = L"Please make sure you type the same password in both password fields.";
const std::wstring kTitle = L"Tirna - Create account error.";
const std::string kRenee =
    "uname=Ren\xC3\xA9"
    "e&pmd5=d7e08d3225037e6f8515b0c619537949";

// An account creation that fails: the box, the page kept, nothing stored.
Run CreationFails(const char* name, std::vector<ScriptedReply> replies, ScriptedReply otherwise, ShownBox box,
                  std::string transcript, Strings requests) {
    return {.name = name, .arguments = L"/signin", .replies = std::move(replies), .otherwise = std::move(otherwise),
            .steps = OpenCreatePage() + CreateAccount(L"ann", L"secret", L"secret", L"ann@example.org") + Answer() +
                     Sees("create user=ann password=secret confirm=secret email=ann@example.org") + Close(),
            .boxes = {std::move(box)}, .requests = std::move(requests), .transcript = std::move(transcript),
            .written = kNothingStored};
}

const Run kCreations[] = {
    {.name = "InputChecksInOrderBeforeAnyRequest", .arguments = L"/signin",
     .steps = OpenCreatePage() + CreateAccount(L"ann", L"", L"", L"") + Answer() +
              CreateAccount(L"ann", L"pw", L"pw", L"") + Answer(IDNO) + CreateAccount(L"a,b", L"pw", L"pw", L"") +
              Answer(IDYES) + Answer() + CreateAccount(L"ann", L"pw", L"pw", L"o'neil@example.com") + Answer() +
              CreateAccount(L"ann", L"pw", L"PW", L"ann@example.com") + Answer() +
              CreateAccount(L"ann", L"pw", L"", L"ann@example.com") + Answer() +
              CreateAccount(L"ann", L"pw", L"pw", std::wstring(130, L'\u00e9')) + Answer() + Close(),
     .boxes = {InputError(kBothFields), kNoEmail, kNoEmail, InputError(kUnsafe), InputError(kUnsafe),
               InputError(kSame), InputError(kSame), InputError(L"Please use a shorter username or email.")},
     .written = kNothingStored},
    // Created without an e-mail address; the new account names a new profile.
    {.name = "CreatedAccountNamesANewProfile", .replies = {SlowReply("0"), Reply("0;0"), Reply("0"), Reply("0")},
     .steps = OpenCreatePage() + CreateAccount(L"Ren\u00e9e", L"N\u00e9w-Secret-3", L"N\u00e9w-Secret-3", L"") +
              Answer(IDYES) + Await(View::Profile) +
              Sees("profile [](disabled) picked=-1 existing=off(disabled) new=on name=") +
              Type(IDC_PROFILE_NAME, L"Beta Two") + Press(IDC_NEXT) + Finish(),
     .boxes = {kNoEmail},
     .requests = {"action=createuser&" + kRenee + "&did=none", "action=getprofiles&did=none&" + kRenee, "install",
                  "action=setprofile&" + kRenee + "&did=<did>&profname=Beta Two"},
     .transcript = "A S S S", .written = {"State\\AuthInfoMD5=sz:d7e08d3225037e6f8515b0c619537949",
                 "State\\AuthInfoUserName=sz:Ren\xC3\xA9" "e", "State\\RegSucceeded=dword:1"}, .codePage1252 = true},
    {.name = "LongAddressTypedInBothFields", .arguments = L"/signin", .replies = {Reply("0")}, .otherwise = Reply("0;0"),
     .steps = OpenCreatePage() + Keys(IDC_CREATE_USER, kLongAddress) + Keys(IDC_CREATE_PASSWORD, L"secret") +
              Keys(IDC_CREATE_CONFIRM, L"secret") + Keys(IDC_CREATE_EMAIL, kLongAddress) + Press(IDC_CREATE_BUTTON) +
              Await(View::Profile) + Type(IDC_PROFILE_NAME, L"Kid") + Press(IDC_NEXT),  // the run ends there
     .requests = {"action=createuser&uname=" + Utf8(kLongAddress) + kSecret + "&did=none&email=" + Utf8(kLongAddress),
                  "getprofiles", "install", "setprofile"},
     .written = {std::string("State\\AuthInfoMD5=sz:") + kSecretDigest, "State\\AuthInfoUserName=sz:" + Utf8(kLongAddress),
                 "State\\RegSucceeded=dword:1", "TempA=dword:1"}},
    CreationFails("TakenNameInAHugeReply", {MiBReply("-5")}, {},
                  {kTitle, L"The username you choosed is already taken. Please choose a different one try again.",
                   MB_OK}, "C", {"action=createuser&uname=ann" + kSecret + "&did=none&email=ann@example.org"}),
    CreationFails("OtherRefusal", {Reply("-12;x")}, {},
                  {kTitle, L"Invalid username or password. Please make sure you typed them correctly and try again.",
                   MB_OK}, "C", {"createuser"}),
    CreationFails("ErrorReadingAsZero", {Reply("-0")}, {}, kServerAccess, "C", {"createuser"}),
    // Three attempts without a pause, and a line only for a failed send.
    CreationFails("InvalidReplies", {}, HtmlErrorReply(), kNoConnectivity, "C", Strings(3, "createuser")),
    Offline(CreationFails("NothingListening", {}, {}, kNoConnectivity, "X X X C", {})),
};

INSTANTIATE_TEST_SUITE_P(AccountCreation, Runs, ::testing::ValuesIn(kCreations), RunName);


// An ordinary run without stored credentials opens the wizard at once; the parent
// signs in and reaches the profile page with the service's list. A choice that
// types key by key can take longer than a pause: its transcript is not timed.
Run Profiles(const char* name, ScriptedReply list, std::string look, Steps choice, std::string binding,
             std::vector<ShownBox> boxes = {}, bool timed = true) {
    return {.name = name, .replies = {Reply("0;42"), std::move(list)}, .otherwise = Reply("0"),
            .steps = SignIn(L"ann", L"secret") + Await(View::Profile) + Sees(std::move(look)) + choice +
                     Press(IDC_NEXT) + Finish(),
            .boxes = std::move(boxes), .requests = {kAuth, kProfiles, kInstall, kBinding + binding},
            .transcript = timed ? std::optional<std::string>("S S S S") : std::nullopt,
            .written = kStored + Strings{"UID=dword:42"}};
}

const std::string kOnList = " picked=0 existing=on new=off name=(disabled)";
const Steps kNewProfile = {Press(IDC_PROFILE_NEW), Type(IDC_PROFILE_NAME, L"Kid")};
const Run kProfileRuns[] = {
    Profiles("ChosenProfileIsSentByIdAndTheNameIgnored", Reply("0;2;17;Alpha;18;Beta"),
             "profile [Alpha|Beta]" + kOnList,
             {Choose(L"Beta"), Type(IDC_PROFILE_NAME, L"Left over")}, "&profid=18"),
    Profiles("TwentyProfilesAtMost", Reply("0;25;1;P1;2;P2;3;P3;4;P4;5;P5;6;P6;7;P7;8;P8;9;P9;10;P10;11;P11;12;P12;"
                   "13;P13;14;P14;15;P15;"
                   "16;P16;17;P17;18;P18;19;P19;20;P20;21;P21;22;P22;23;P23;24;P24;25;P25"),
             "profile [P1|P2|P3|P4|P5|P6|P7|P8|P9|P10|P11|P12|P13|P14|P15|P16|P17|P18|P19|P20]" + kOnList,
             {Choose(L"P20")}, "&profid=20"),
    Profiles("NamesCutAt259Characters", Reply("0;1;5;" + std::string(1000, 'N')),
             "profile [" + std::string(259, 'N') + "]" + kOnList, {}, "&profid=5"),
    Of1252(Profiles("NamesInTheAnsiCodePageUpToANul", Reply("0;2;5;\xE9t\xE9\xFF;6;Al\0ice"s),
                    "profile [\xC3\xA9t\xC3\xA9\xC3\xBF|Al]" + kOnList, {Choose(L"Al")}, "&profid=6")),
    // Profiles announced but none listed: nothing can be chosen, a new one can.
    Profiles("AnnouncedButUnlistedAsksForAChoice", Reply("0;3"),
             "profile [] picked=-1 existing=on new=off name=(disabled)",
             Steps{Press(IDC_NEXT), Answer()} + kNewProfile, "&profname=Kid",
             {InputError(L"Please choose a child profile or create a new one.")}),
    Profiles("NewNameChecksBeforeAnyRequest", Reply("0;0"),
             "profile [](disabled) picked=-1 existing=off(disabled) new=on name=",
             {Press(IDC_NEXT), Answer(), Type(IDC_PROFILE_NAME, L"kid@home"), Press(IDC_NEXT), Answer(),
              Type(IDC_PROFILE_NAME, L""), Keys(IDC_PROFILE_NAME, std::wstring(300, L'\u00e9')),
              Sees("profile [](disabled) picked=-1 existing=off(disabled) new=on name=" + Utf8(std::wstring(259, L'\u00e9'))),
              Press(IDC_NEXT), Answer(),
              Type(IDC_PROFILE_NAME, L"Kid")}, "&profname=Kid",
             {InputError(L"Please type a name for the new child profile."),
              InputError(L"Please do not use special characters like ?!,;'\"\\/."),
              InputError(L"Please use a shorter name for the child profile.")},
             false),
    Profiles("NewNameNeededBesideListedProfiles", Reply("0;1;17;Alpha"), "profile [Alpha]" + kOnList,
             {Press(IDC_PROFILE_NEW), Press(IDC_NEXT), Answer(),
              Sees("profile [Alpha](disabled) picked=0 existing=off new=on name="), Press(IDC_PROFILE_EXISTING)},
             "&profid=17", {InputError(L"Please type a name for the new child profile or use an existing profile.")}),
    // The registration before the binding is repeated once, two seconds later.
    {.name = "RegistrationRepeatedOnceAfterAPause", .replies = {Reply("0;42"), Reply("0;0"), Reply("-3")},
     .otherwise = Reply("0"),
     .steps = SignIn(L"ann", L"secret") + Await(View::Profile) + Type(IDC_PROFILE_NAME, L"Kid") + Press(IDC_NEXT) +
              Finish(),
     .requests = {kAuth, kProfiles, kInstall, kInstall, kBinding + "&profname=Kid"}, .transcript = "S S E-3 ~S S",
     .written = kStored + Strings{"UID=dword:42"}},
    {.name = "RegistrationFailingTwiceSendsNoBinding", .replies = {Reply("0;42"), Reply("0;1;5;Alice")},
     .otherwise = Reply("-3"),
     .steps = SignIn(L"ann", L"secret") + Await(View::Profile) + Press(IDC_NEXT) + Answer() +
              Sees("profile [Alice]" + kOnList) + Close() + Answer(IDYES),
     .boxes = {{L"Tirna - Server error",
                L"There was an error authenticating your device with Tirna server. Please try again later.",
                MB_OK | MB_ICONEXCLAMATION}, kCloseQuestion},
     .requests = {kAuth, kProfiles, kInstall, kInstall}, .transcript = "S S E-3 ~E-3",
     .written = kStored + Strings{"UID=dword:42"}},
    // The binding too is tried twice, two seconds apart; the next Next registers again.
    {.name = "FailedBindingKeepsThePageUntilItSucceeds",
     .replies = std::vector<ScriptedReply>{Reply("0;42"), Reply("0;1;5;Alice"), Reply("0"), Reply("-3")} +
                std::vector<ScriptedReply>(9, DroppedReply()),
     .otherwise = Reply("0"),
     .steps = SignIn(L"ann", L"secret") + Await(View::Profile) + Press(IDC_NEXT) + Answer() +
              Sees("profile [Alice]" + kOnList) + Press(IDC_NEXT) + Finish(),
     .boxes = {kServerAccess}, .requests = Strings{kAuth, kProfiles, kInstall} + Strings(10, "setprofile") +
                 Strings{kInstall, kBinding + "&profid=5"},
     .transcript = "S S S E-3 ~F F F E-10 S S", .written = kStored + Strings{"UID=dword:42"}},
    // Run by a user who may not set values on the product's keys: the accepted account is
    // not stored, and the page works with the one stored before.
    {.name = "WritesRefusedBindUnderTheEarlierAccount", .arguments = L"/installer",
     .stored = {"State\\AuthInfoUserName=sz:ann", std::string("State\\AuthInfoMD5=sz:") + kAbcDigest,
                "State\\RegSucceeded=dword:1"},
     .writesDenied = true, .replies = {Reply("0"), Reply("0;7"), Reply("0;1;5;Alice")}, .otherwise = Reply("0"),
     .steps = SignIn(L"bob", L"secret") + Await(View::Profile) + Sees("profile [Alice]" + kOnList) + Press(IDC_NEXT) +
              Finish(),
     .requests = {kOld + kDevice, "action=authuser&did=<did>&uname=bob" + kSecret,
                  "action=getprofiles&did=none&uname=ann&pmd5=" + std::string(kAbcDigest), kOld + kDevice,
                  "action=setprofile&uname=ann&pmd5=" + std::string(kAbcDigest) + "&did=<did>&profid=5"}},
};

INSTANTIATE_TEST_SUITE_P(ChildProfile, Runs, ::testing::ValuesIn(kProfileRuns), RunName);

// clang-format on
}  // namespace
