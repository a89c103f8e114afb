// What must hold whatever the parent or the machine does: one copy at a time, a
// password that goes nowhere but into its digest, the transport's own lines and
// header blocks, and Enter that closes an error box without signing in again.

#include <latch>

#include "net/service_endpoint.h"
#include "tests/blackbox/harness.h"
#include "ui/controls.h"

namespace {

const std::string kNet = "[TirnaParental] [TirnaNet] ";
const Strings kCredentials = {"State\\AuthInfoUserName=sz0:ann",
                              std::string("State\\AuthInfoMD5=sz0:") + kAbcDigest};
const std::string kHeaderLine = kNet + "received response from server; header:  ";
const std::string kContentLine = kNet + "received response from server; content:  ";

// An ordinary start whose credential check the service answers with `replies`.
Run Lines(const char* name, std::vector<ScriptedReply> replies, std::size_t requests,
          Strings lines) {
    return {.name = name,
            .stored = kCredentials,
            .replies = std::move(replies),
            .steps = {Close(), Answer(IDYES)},
            .boxes = {CloseQuestion()},
            .requests = Strings(requests, "authuser"),
            .written = {"DevAuthState=dword:0"},
            .lines = std::move(lines)};
}

const std::string kStart = "[TirnaParental] Started UI Auth with param: ";
const std::string kUrl =
    kNet + "failed to send request to server; request url: " + Utf8(ServiceEndpoint());
const std::string kHead = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: ";
const std::string kInvalid = kNet + "received invalid response from server; Retry.";
const Run kLines[] = {
    Lines("RefusalEndsThePostWithItsCode", {Reply("-3")}, 1,
          {kStart, kNet + "failed to send request to server; No more retry. Error code: -3", kUrl}),
    // Each invalid reply shows its header and, when it has one, its text, cut
    // with the line at 1023 characters.
    Lines("InvalidRepliesShowWhatCame", {Reply("OK"), Reply(std::string(3000, 'x')), Reply("")}, 3,
          {kStart, kHeaderLine + kHead + "2\r\nConnection: close\r\n\r\n", kContentLine + "OK",
           kInvalid, kHeaderLine + kHead + "3000\r\nConnection: close\r\n\r\n",
           (kContentLine + std::string(3000, 'x')).substr(0, 1023), kInvalid,
           kHeaderLine + kHead + "0\r\nConnection: close\r\n\r\n", kInvalid,
           kNet + "failed to send request to server; No more retry. Error code: -10", kUrl}),
};

class TransportLinesRun : public ::testing::TestWithParam<Run> {};
TEST_P(TransportLinesRun, Plays) {
    Play(GetParam());
}
INSTANTIATE_TEST_SUITE_P(Rows, TransportLinesRun, ::testing::ValuesIn(kLines), RunName);

// Form posts say what they carry and ask for no cached answer; account creation
// says only what it carries.
TEST(Transport, RequestsCarryTheirHeaderBlocks) {
    const Outcome outcome =
        Play({.name = "account creation",
              .arguments = L"/signin",
              .replies = {Reply("0"), Reply("0;0")},
              .steps = OpenCreatePage() + CreateAccount(L"ann", L"pw", L"pw", L"") + Answer(IDYES) +
                       Await(View::Profile) + Close(),
              .boxes = {{L"Tirna - Warning",
                         L"Are you sure you don't want to add an email address where "
                         L"Tirna can send you notifications?",
                         MB_YESNO | MB_ICONQUESTION}},
              .requests = {"createuser", "getprofiles"},
              .written = {"State\\AuthInfoMD5=sz:8fe4c11451281c094a6578e6ddbf5eed",
                          "State\\AuthInfoUserName=sz:ann", "State\\RegSucceeded=dword:1",
                          "TempA=dword:1"}});
    ASSERT_EQ(outcome.requests.size(), 2u);
    const std::string host = "Host: " + Utf8(ServiceOrigin().substr(7));
    for (const RecordedRequest& request : outcome.requests) {
        EXPECT_EQ(request.requestLine, "POST /device_point.php HTTP/1.1");
    }
    EXPECT_EQ(outcome.requests[0].headerLines,
              (Strings{"Content-Length: 74", "Content-Type: application/x-www-form-urlencoded",
                       "User-Agent: WinHttpClient", host, "Connection: Keep-Alive"}));
    EXPECT_EQ(outcome.requests[1].headerLines,
              (Strings{"Content-Length: 75", "Cache-Control: no-cache",
                       "Content-Type: application/x-www-form-urlencoded",
                       "User-Agent: WinHttpClient", host, "Connection: Keep-Alive"}));
}

// Each holds a letter outside ASCII, so that its UTF-8, ANSI and UTF-16 forms differ.
const std::wstring kRefused = L"Wr\u00f6ng-Guess-1";
const std::wstring kAccepted = L"Pony-Cl\u00fcb-Secret-2";
const std::wstring kNewAccount = L"N\u00e9w-Account-Secret-3";

// The forms in which a typed text could leave the program, as the harness shows bytes.
Strings LeakForms(const std::wstring& secret) {
    std::string ansi(secret.size(), '\0');
    WideCharToMultiByte(CP_ACP, 0, secret.data(), static_cast<int>(secret.size()), ansi.data(),
                        static_cast<int>(ansi.size()), nullptr, nullptr);
    const std::string utf16(reinterpret_cast<const char*>(secret.data()),
                            secret.size() * sizeof(wchar_t));
    return {Utf8(secret), ansi, Hex(ansi), Hex(utf16)};
}

void ExpectNowhere(const std::vector<std::wstring>& secrets, const Outcome& outcome) {
    std::vector<std::string> places = outcome.lines;
    for (const RecordedRequest& request : outcome.requests) {
        places.push_back(request.requestLine);
        places.insert(places.end(), request.headerLines.begin(), request.headerLines.end());
        places.push_back(request.body);
    }
    for (const auto& [root, path] :
         {std::pair{HKEY_LOCAL_MACHINE, L"Software"}, {HKEY_CURRENT_USER, L"Software"}}) {
        const Strings values = ValuesUnder(root, path);
        places.insert(places.end(), values.begin(), values.end());
    }
    for (const std::wstring& secret : secrets) {
        for (const std::string& form : LeakForms(secret)) {
            for (const std::string& place : places)
                EXPECT_EQ(place.find(form), std::string::npos) << place;
        }
    }
}

TEST(Secrecy, PasswordsGoNowhereButIntoTheirDigest) {
    const Outcome signIn = Play(
        {.name = "installer run with a refused and an accepted password",
         .arguments = L"/installer",
         .replies = {Reply("0"), Reply("-2"), Reply("0;42"), Reply("0;1;5;Alice"), Reply("0"),
                     Reply("0")},
         .steps = SignIn(L"ann", kRefused) + Answer() + SignIn(L"ann", kAccepted) +
                  Await(View::Profile) + Press(IDC_NEXT) + Finish(),
         .boxes = {SignInRefused()},
         .requests = {"install", "authuser", "authuser", "getprofiles", "install", "setprofile"},
         .written = {"State\\AuthInfoMD5=sz:5a03d6ac67adea269e6a35fcca03ed2d",
                     "State\\AuthInfoUserName=sz:ann", "State\\RegSucceeded=dword:1",
                     "UID=dword:42"}});
    ExpectNowhere({kRefused, kAccepted}, signIn);
    const Outcome creation =
        Play({.name = "account creation run",
              .replies = {Reply("0"), Reply("0;0"), Reply("0"), Reply("0")},
              .steps = OpenCreatePage() +
                       CreateAccount(L"ann", kNewAccount, kNewAccount, L"ann@example.org") +
                       Await(View::Profile) + Type(IDC_PROFILE_NAME, L"Kid") + Press(IDC_NEXT) +
                       Finish(),
              .requests = {"createuser", "getprofiles", "install", "setprofile"},
              .written = {"State\\AuthInfoMD5=sz:abe06700764218190c3442ddd270fe0f",
                          "State\\AuthInfoUserName=sz:ann", "State\\RegSucceeded=dword:1"}});
    ExpectNowhere({kNewAccount}, creation);
}

// Many copies started at the same moment: the machine-wide mutex lets exactly one
// through to the wizard; every other copy ends at once with code 0, before it
// writes a line or touches anything.
TEST(SingleCopy, TwentyStartedAtOnceLeaveOneWizard) {
    DeleteProductKey();
    LoopbackServer service({}, Reply("-2"));
    std::vector<std::unique_ptr<Program>> copies(20);
    {
        std::latch start(20);
        std::vector<std::jthread> starters;
        for (auto& copy : copies) {
            starters.emplace_back([&] {
                start.arrive_and_wait();
                copy = std::make_unique<Program>(L"");
            });
        }
    }
    Program* winner = nullptr;
    int ended = 0;
    for (auto& copy : copies) {
        ASSERT_TRUE(copy->Started());
        // Every copy either ends or shows its wizard.
        ASSERT_TRUE(PollUntil([&] { return copy->WaitForExit(0) || copy->Wizard(0); }));
        if (const auto code = copy->WaitForExit(0)) {
            EXPECT_EQ(code, 0u);
            EXPECT_TRUE(copy->Texts().empty());
            ++ended;
        } else {
            winner = copy.get();
        }
        copy->ExpectNoCrash();
    }
    EXPECT_EQ(ended, 19);
    ASSERT_NE(winner, nullptr);
    EXPECT_EQ(winner->Texts(), Strings{"[TirnaParental] Started UI Auth with param: "});
    EXPECT_TRUE(service.Requests().empty());
    EXPECT_TRUE(ValuesUnder(HKEY_LOCAL_MACHINE, kProductKey).empty());
}

void SendKey(WORD key, bool release) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

// Enter released in the password field signs in. The Enter that closes the box the
// sign-in brought, released once the focus is back in that field, must not sign in
// again: each press would bring the same box back after a whole exchange.
TEST(Keyboard, EnterThatClosesTheBoxDoesNotSignInAgain) {
    for (const std::wstring userName : {L"ann", L""}) {
        SCOPED_TRACE(Utf8(userName));
        DeleteProductKey();
        // With a stored user name the page starts with the focus in the password field.
        StoreValue("State\\AuthInfoUserName=sz0:ann");
        LoopbackServer service({}, Reply("-2"));
        Program program(L"/signin");
        const HWND wizard = program.Wizard();
        ASSERT_NE(wizard, nullptr);
        SetForegroundWindow(wizard);
        ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == wizard; }));
        ASSERT_TRUE(TypeInto(GetDlgItem(wizard, IDC_SIGNIN_USER), userName));
        ASSERT_TRUE(TypeInto(GetDlgItem(wizard, IDC_SIGNIN_PASSWORD), L"wrong-1"));
        SendKey(VK_RETURN, false);
        SendKey(VK_RETURN, true);
        HWND box = nullptr;
        ASSERT_TRUE(program.WaitForBox(&box));
        const std::size_t requests = service.Requests().size();
        EXPECT_EQ(requests, userName.empty() ? 0u : 1u);
        // The key-down closes the box; the key-up reaches the password field.
        SendKey(VK_RETURN, false);
        ASSERT_TRUE(PollUntil([&] { return !IsWindow(box); }));
        SendKey(VK_RETURN, true);
        // A key typed after it shows in the field once the wizard has handled the
        // release; a sign-in would bring its box first.
        SendKey('X', false);
        SendKey('X', true);
        EXPECT_TRUE(PollUntil([&] {
            return TextOf(GetDlgItem(wizard, IDC_SIGNIN_PASSWORD)).size() > 7 || program.OpenBox();
        }));
        EXPECT_EQ(service.Requests().size(), requests);
        EXPECT_FALSE(program.OpenBox());
        PostMessageW(wizard, WM_CLOSE, 0, 0);
        EXPECT_EQ(program.WaitForExit(kRunTimeoutMs), 0u);
        program.ExpectNoCrash();
    }
    DeleteProductKey();
}

}  // namespace
