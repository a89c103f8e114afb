// What the program does before and around the wizard: the start-up line and the
// switches, the silent check of the stored credentials at an ordinary start, the
// device's registration in an installer run, stored values that no run of the
// program wrote, and the version the exe carries.

#include "core/control_ids.h"
#include "core/service_endpoint.h"
#include "tests/blackbox/harness.h"

namespace {

using namespace std::string_literals;

const std::string kStart = "[TirnaParental] Started UI Auth with param: ";
const Strings kCredentials = {"State\\AuthInfoUserName=sz0:ann",
                              std::string("State\\AuthInfoMD5=sz0:") + kAbcDigest};
const std::string kDevice =
    "&product=2_1.0&osv=<osv>&dtype=<dtype>&dname=<dname>&dconfig=<dconfig>";
const Steps kCloseAsked = {Close(), Answer(IDYES)};
const Strings kRegSucceededReset = {"State\\RegSucceeded=dword:0"};

// clang-format off
const Run kStarts[] = {
    {.name = "OrdinaryStartWithoutCredentialsOpensTheWizard", .steps = kCloseAsked, .boxes = {kCloseQuestion},
     .lines = {kStart}},
    {.name = "InstallerRunAnnouncesTheDeviceBeforeTheWizard", .arguments = L"/installer",
     .stored = {"State\\RegSucceeded=dword:1", "TempA=dword:7"}, .otherwise = Reply("0"),
     .steps = Steps{Await(View::SignIn)} + kCloseAsked, .boxes = {kCloseQuestion},
     .requests = {"action=install&did=<did>" + kDevice}, .transcript = "S", .written = kRegSucceededReset,
     .lines = {kStart + "/installer"}},
    {.name = "InstallerRunSendsStoredCredentials", .arguments = L"/installer", .stored = kCredentials,
     .otherwise = Reply("0"), .steps = kCloseAsked, .boxes = {kCloseQuestion},
     .requests = {std::string("action=install&did=<did>&uname=ann&pmd5=") + kAbcDigest + kDevice},
     .written = kRegSucceededReset},
    // The registration's result is ignored.
    {.name = "InstallerRunWithoutService", .arguments = L"/installer", .listening = false, .steps = kCloseAsked,
     .boxes = {kCloseQuestion}, .transcript = "F F F E-10", .written = kRegSucceededReset},
    // 0 while the wizard is open, so a run ended from outside leaves 0; again 0 at the end.
    {.name = "SignInRunWritesTempA", .arguments = L"x/signinx /INSTALLER", .stored = {"TempA=dword:7"},
     .steps = {Holds("TempA=dword:0"), Close()}, .written = {"TempA=dword:0"}, .lines = {kStart + "x/signinx /INSTALLER"}},
    // Only the first 1040 characters count, and the line stops at 1023.
    {.name = "LongCommandLineIsCutBeforeTheSwitchesAreRead", .arguments = std::wstring(1990, L'a') + L" /installer",
     .steps = kCloseAsked, .boxes = {kCloseQuestion}, .lines = {(kStart + std::string(1040, 'a')).substr(0, 1023)}},
};

INSTANTIATE_TEST_SUITE_P(StartUp, Runs, ::testing::ValuesIn(kStarts), RunName);

// An ordinary start with stored credentials: accepted, the program ends without a
// window; otherwise the wizard opens on the sign-in page with the stored name.
Run CheckRun(const char* name, std::vector<ScriptedReply> replies, ScriptedReply otherwise, std::string transcript,
          Strings requests, Strings written = {"DevAuthState=dword:0"}, Strings lines = {}) {
    const bool accepted = written[0] == "DevAuthState=dword:1";
    return {.name = name, .stored = kCredentials, .replies = std::move(replies), .otherwise = std::move(otherwise),
            .steps = accepted ? Steps{} : Steps{Sees("sign-in user=ann password="), Close(), Answer(IDYES)},
            .boxes = accepted ? std::vector<ShownBox>{} : std::vector<ShownBox>{kCloseQuestion},
            .requests = std::move(requests), .transcript = std::move(transcript), .written = std::move(written),
            .lines = std::move(lines)};
}

const std::string kName = "sz0:ann", kDigest = std::string("sz0:") + kAbcDigest,
                  kSent = std::string("&pmd5=") + kAbcDigest;
const Strings kAccepted = {"DevAuthState=dword:1", "UID=dword:42"};
const std::string kNet = "[TirnaParental] [TirnaNet] ", kReply = kNet + "received response from server; ";
const std::string kHead = kReply + "header:  HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: ";
const Strings kThree(3, "authuser");
const std::string kPort = Utf8(kServiceOrigin.substr(kServiceOrigin.rfind(L':')));
const Run kChecks[] = {
    CheckRun("Accepted", {Reply("0;42")}, {}, "S", {"action=authuser&did=<did>&uname=ann" + kSent}, kAccepted),
    CheckRun("RefusedWithJunkAfterTheCode", {Reply("-5\xFF\0junk"s)}, {}, "E-5", {"authuser"}),
    CheckRun("DroppedOnceThenAccepted", {DroppedReply(), Reply("0;42")}, {}, "S", {"authuser", "authuser"}, kAccepted),
    CheckRun("DroppedConnections", {}, DroppedReply(), "F F F E-10", Strings(9, "authuser")),
    CheckRun("HugeAccepted", {MiBReply("0;42")}, {}, "S", {"authuser"}, kAccepted),
    CheckRun("HugeGarbage", {}, GarbageMiBReply(), "I I I E-10", kThree),
    // The text ends at the first NUL: "0" alone, accepted without a user id (the 42
    // after the NUL would be one); an empty text, no valid reply. The status plays no part.
    CheckRun("NulAfterZero", {Reply("0\0" "42"s)}, {}, "S", {"authuser"}, {"DevAuthState=dword:1"}),
    CheckRun("NulBeforeTheCode", {}, Reply("\0-5"s), "I I I E-10", kThree),
    CheckRun("Status500Zero", {Reply("0;42", 500)}, {}, "S", {"authuser"}, kAccepted),
    // An invalid reply shows its header and its text, when it has one; a refusal ends
    // the post with its code and the address.
    CheckRun("LinesOfInvalidRepliesAndARefusal", {Reply("OK"), Reply("")}, Reply("-3"), "I I E-3", kThree,
             {"DevAuthState=dword:0"},
             {kStart, kHead + "2\r\nConnection: close\r\n\r\n", kReply + "content:  OK",
              kNet + "received invalid response from server; Retry.", kHead + "0\r\nConnection: close\r\n\r\n",
              kNet + "received invalid response from server; Retry.",
              kNet + "failed to send request to server; No more retry. Error code: -3",
              kNet + "failed to send request to server; request url: " + Utf8(ServiceEndpoint())}),
    {.name = "NothingListening", .stored = kCredentials, .listening = false, .steps = kCloseAsked,
     .boxes = {kCloseQuestion}, .transcript = "F F F E-10", .written = {"DevAuthState=dword:0"}},
    // A 307 is followed, under another host name too, and the reply from there counts. The
    // harness reads the first 115 bytes after the redirected head: a second head, no form.
    CheckRun("RedirectFollowedElsewhere", {Redirect(307, "http://localhost" + kPort + "/moved.php")}, Reply("0;42"),
             "S", {"action=authuser&did=<did>&uname=ann" + kSent, "POST /moved.php HTTP/1.1, Host: localhost" + kPort +
             ": <absent>"}, kAccepted),
};

INSTANTIATE_TEST_SUITE_P(CredentialCheck, Runs, ::testing::ValuesIn(kChecks), RunName);

// Stored values as other programs leave them. Every text is read through a buffer of
// 260 characters without asking for its type: one that fills it, with or without a
// terminator, or is empty reads as missing, any other as the text its bytes make.
// The service refuses.
Run Stored(const char* name, std::string userName, std::string digest, std::string sent, std::string shown,
           bool refusedUnsent = false) {
    return {.name = name, .stored = {"State\\AuthInfoUserName=" + userName, "State\\AuthInfoMD5=" + digest},
            .otherwise = Reply("-2"), .steps = {Sees("sign-in user=" + shown + " password="), Close(), Answer(IDYES)},
            .boxes = {kCloseQuestion},
            .requests = sent.empty() ? Strings{} : Strings{"action=authuser&did=<did>&uname=" + sent},
            .written = sent.empty() && !refusedUnsent ? Strings{} : Strings{"DevAuthState=dword:0"}};
}

const std::string k259(259, 'a');
const Run kStoredValues[] = {
    Stored("NameOf259Characters", "sz0:" + k259, kDigest, k259 + kSent, k259),
    Stored("NameOf260CharactersUnterminated", "sz:" + k259 + "a", kDigest, "", ""),
    Stored("NameAsDword", "dword:65", kDigest, "A" + kSent, "A"),
    // An odd byte count: the last character gets its high byte from the zeroed buffer.
    Stored("NameOfThreeBytes", "binary:610062", kDigest, "ab" + kSent, "ab"),
    Stored("NameOf519Bytes", "binary:" + Hex(std::string(518, 'b')) + "63", kDigest, "", ""),
    Stored("NameExpanded", "expand0:x%SystemDrive%", kDigest, "xC:" + kSent, "xC:"),
    Stored("NameUpToANul", "multi0:" + "ann\0xyz"s, kDigest, "ann" + kSent, "ann"),
    // 259 characters but 518 bytes of UTF-8: refused before anything is sent.
    Stored("NameTooLongForTheRequest", "sz0:" + Utf8(std::wstring(259, L'\u00e9')), kDigest, "",
           Utf8(std::wstring(259, L'\u00e9')), true),
    Stored("DigestEmpty", kName, "sz0:", "", "ann"),
    Stored("DigestNotHex", kName, "sz0:zz-not-hex-zz", "ann&pmd5=zz-not-hex-zz", "ann"),
    Stored("DigestOfFiveBytes", kName, "binary:6162636465", "ann&pmd5=" + Utf8(L"\u6261\u6463e"), "ann"),
};

INSTANTIATE_TEST_SUITE_P(StoredValue, Runs, ::testing::ValuesIn(kStoredValues), RunName);

// "RegSucceeded" counts only as a 4-byte 1, whatever its type: then a sign-in run
// may only sign in again with the stored name.
Run Linked(const char* name, std::string value, bool linked) {
    return {.name = name, .arguments = L"/signin", .stored = kCredentials + Strings{"State\\RegSucceeded=" + value},
            .steps = {Sees(linked ? "sign-in user=ann(disabled) password= no-create-selector"
                                  : "sign-in user=ann password="), Close()},
            .written = {"TempA=dword:0"}};
}

const Run kLinks[] = {
    Linked("DwordOne", "dword:1", true), Linked("BinaryOne", "binary:01000000", true),
    Linked("DwordTwo", "dword:2", false), Linked("TwoBytes", "binary:0100", false),
};

INSTANTIATE_TEST_SUITE_P(LinkedDevice, Runs, ::testing::ValuesIn(kLinks), RunName);

// What Explorer's Details tab shows of the exe: the version set in CMakeLists.txt, and its names.
TEST(VersionResource, CarriesTheBuildsVersionAndNames) {
    std::vector<char> info(GetFileVersionInfoSizeW(L"TirnaUIAuth.exe", nullptr));  // found as LoadLibrary would
    ASSERT_TRUE(GetFileVersionInfoW(L"TirnaUIAuth.exe", 0, static_cast<DWORD>(info.size()), info.data()));
    const auto query = [&](const std::wstring& path, const void* otherwise = nullptr, void* value = nullptr, UINT size = 0) {
        return VerQueryValueW(info.data(), path.c_str(), &value, &size) && size ? value : otherwise;
    };
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(query(L"\\"));
    const auto* language = static_cast<const WORD*>(query(L"\\VarFileInfo\\Translation"));
    ASSERT_TRUE(fixed && language);
    std::vector<int> numbers;  // of the file, then of the product
    for (DWORD part : {fixed->dwFileVersionMS, fixed->dwFileVersionLS, fixed->dwProductVersionMS, fixed->dwProductVersionLS})
        numbers.insert(numbers.end(), {HIWORD(part), LOWORD(part)});
    EXPECT_EQ(numbers, (std::vector<int>{TIRNA_VERSION_NUMBERS, TIRNA_VERSION_NUMBERS}));
    wchar_t block[64];
    swprintf(block, 64, L"\\StringFileInfo\\%04x%04x\\", language[0], language[1]);
    Strings texts;
    for (const wchar_t* name : {L"FileVersion", L"ProductVersion", L"OriginalFilename", L"ProductName", L"CompanyName"})
        texts.push_back(Utf8(static_cast<const wchar_t*>(query(block + std::wstring(name), L"(none)"))));
    EXPECT_EQ(texts, (Strings{TIRNA_VERSION, TIRNA_VERSION, "TirnaUIAuth.exe", "Tirna Parental Control", "Tirna"}));
}

// clang-format on
}  // namespace
