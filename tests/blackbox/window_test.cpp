// The wizard window as the parent meets it: the controls of each page (and the
// installer run's account box), the selectors, the closing question, Finish and the
// keyboard; and one copy of the program at a time.

#include <fstream>
#include <functional>

#include "core/service_endpoint.h"
#include "tests/blackbox/harness.h"
#include "core/control_ids.h"

namespace {

// clang-format off
// Each visible control: class, id, text, place in the window, style.
const Strings kSelectors = {"Button 150 \"Sign in to your account\" 40,40 100x100 5000000b",
                            "Button 151 \"Create your account\" 40,180 100x100 5000000b"};
const Strings kSignInPage = {
    "Static 0 \"Username or email:\" 180,140 130x18 50000002", "Edit 152 \"\" 320,138 150x22 50010080 focused",
    "Static 0 \"Password:\" 180,168 130x18 50000002", "Edit 153 \"\" 320,166 150x22 500100a0",
    "Button 154 \"Sign in\" 320,205 80x22 50010000"};
const Strings kCreatePage = {
    "Static 0 \"Username or email:\" 180,120 130x18 50000002", "Edit 156 \"\" 320,118 150x22 50010080 focused",
    "Static 0 \"Password:\" 180,148 130x18 50000002", "Edit 157 \"\" 320,146 150x22 500100a0",
    "Static 0 \"Confirm Password:\" 180,176 130x18 50000002", "Edit 158 \"\" 320,174 150x22 500100a0",
    "Static 0 \"Your email:\" 180,204 130x18 50000002", "Edit 159 \"\" 320,202 150x22 50010080",
    "Button 160 \"Create account\" 320,240 125x22 50010000"};
// The list's height follows the system font's metrics: Wine's here, on Windows the
// height that a list of its style gets there.
std::string ListHeight() {
    if (UnderWine()) return "24";
    const HWND list = CreateWindowExW(0, L"ComboBox", L"", WS_POPUP | 0x203, 0, 0, 200, 200, nullptr,
                                      nullptr, nullptr, nullptr);
    RECT place{};
    GetWindowRect(list, &place);
    DestroyWindow(list);
    return std::to_string(place.bottom - place.top);
}
const Strings kProfilePage = {
    "ComboBox 0 \"Alice\" 400,218 200x" + ListHeight() + " 50000203 focused",
    "Button 163 \"Existing child profiles:\" 190,220 170x22 50010004",
    "Button 164 \"Create a new child profile (name):\" 190,253 240x22 50010004",
    "Button 162 \"Next\" 195,310 80x22 50010000", "Edit 165 \"\" 440,252 160x22 58010080"};
const Strings kDonePage = {"Button 155 \"Finish\" 320,220 80x22 50010000 focused"};
// In an installer run only, below Finish.
const Strings kAccountBox = {"Button 161 \"Go to my online Tirna account\" 320,256 250x22 50010003"};

const Steps kToProfiles = SignIn(L"ann", L"secret") + Await(View::Profile);
const Strings kStored = {std::string("State\\AuthInfoMD5=sz:") + kSecretDigest,
                         "State\\AuthInfoUserName=sz:ann", "State\\RegSucceeded=dword:1", "UID=dword:42"};

const Run kWindows[] = {
    {.name = "PagesOfAnOrdinaryRun", .replies = {Reply("0;42"), Reply("0;1;5;Alice")},
     .otherwise = Reply("0"), .steps = Steps{Shows(kSelectors + kSignInPage), Press(IDC_CREATE_SELECTOR),
                    Await(View::CreateAccount), Shows(kSelectors + kCreatePage),
                    Press(IDC_SIGNIN_SELECTOR), Await(View::SignIn)} +
              kToProfiles + Shows(kSelectors + kProfilePage) +
              // Once the account is ready the selectors lead nowhere.
              Press(IDC_CREATE_SELECTOR) + Press(IDC_SIGNIN_SELECTOR) +
              Sees("profile [Alice] picked=0 existing=on new=off name=(disabled)") +
              Press(IDC_NEXT) + Await(View::Done) + Shows(kSelectors + kDonePage) + Close(),
     .requests = {"authuser", "getprofiles", "install", "setprofile"}, .written = kStored},
    // Shown again (Sign in runs on any page), the page disables afresh and enables nothing
    // that its first showing, without profiles, disabled.
    {.name = "ProfilePageShownAgainKeepsWhatItDisabled",
     .replies = {Reply("0;42"), Reply("0;0"), Reply("0;42"), Reply("0;2;17;Alpha;18;Beta")},
     .steps = kToProfiles + Sees("profile [](disabled) picked=-1 existing=off(disabled) new=on name=") +
              Press(IDC_SIGNIN_BUTTON) +
              Sees("profile [Alpha|Beta](disabled) picked=0 existing=on(disabled) new=on name=(disabled)") +
              Close() + Answer(IDYES),
     .boxes = {kCloseQuestion}, .requests = {"authuser", "getprofiles", "authuser", "getprofiles"}, .written = kStored},
    // The closing question keeps the wizard when the parent says no.
    {.name = "ClosingAsksUntilTheDeviceIsLinked",
     .steps = {Close(), Answer(IDNO), Sees("sign-in user= password="), Close(), Answer(IDYES)},
     .boxes = {kCloseQuestion, kCloseQuestion}},
};

INSTANTIATE_TEST_SUITE_P(WizardWindow, Runs, ::testing::ValuesIn(kWindows), RunName);

// Finish opens the service's account page through the shell, in the default
// browser, only when the parent ticked the box. The prefix's handler of http
// addresses writes each address it gets to a file, after a word that names the run;
// the handler and the file are put back as they were.
TEST(AccountPage, FinishOpensItOnlyWhenTicked) {
    if (!UnderWine())
        GTEST_SKIP() << "on Windows each user chooses the default browser, over any handler that a test "
                        "sets: the account page would open in this machine's real browser";
    const std::wstring opened = L"C:\\windows\\temp\\opened-urls.txt";
    const wchar_t* const command = L"Software\\Classes\\http\\shell\\open\\command";
    std::wstring previous(1024, L'\0');
    DWORD type = 0, size = static_cast<DWORD>(previous.size() * sizeof(wchar_t));
    const bool had = RegGetValueW(HKEY_LOCAL_MACHINE, command, nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                                  &type, previous.data(), &size) == ERROR_SUCCESS;
    const struct Restore {
        std::function<void()> restore;
        ~Restore() { restore(); }
    } restore{[&] {
        DeleteFileW(opened.c_str());
        if (had) RegSetKeyValueW(HKEY_LOCAL_MACHINE, command, nullptr, type, previous.data(), size);
        else RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, command, nullptr);
    }};
    DeleteFileW(opened.c_str());
    for (const std::wstring run : {L"unticked", L"ticked"}) {
        const std::wstring handler = L"C:\\windows\\system32\\cmd.exe /c echo " + run + L" %1>>" + opened;
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, command, nullptr, REG_SZ, handler.c_str(),
                        static_cast<DWORD>((handler.size() + 1) * sizeof(wchar_t)));
        Play({.name = "installer run", .arguments = L"/installer",
              .replies = {Reply("0"), Reply("0;42"), Reply("0;1;5;Alice"), Reply("0"), Reply("0")},
              .steps = kToProfiles + Press(IDC_NEXT) + Await(View::Done) + Shows(kSelectors + kDonePage + kAccountBox) +
                       Sees("done account-box=off") + (run == L"ticked" ? Steps{Tick(IDC_OPEN_ACCOUNT)} : Steps{}) +
                       Finish(),
              .requests = {"install", "authuser", "getprofiles", "install", "setprofile"}, .written = kStored});
    }
    std::string urls;
    EXPECT_TRUE(PollUntil([&] {
        std::ifstream file(Utf8(opened));
        // The whole file, once the ticked run's line is complete: cmd writes the line end apart.
        return std::getline(file, urls, '\0') && urls.find("ticked http") != std::string::npos && urls.ends_with('\n');
    }));
    std::erase(urls, '\r');
    EXPECT_EQ(urls, "ticked " + Utf8(kServiceOrigin) + "/account.php\n");
}

// One copy at a time: a second copy started beside a running wizard ends at once
// with code 0, before it writes a line or touches anything.
TEST(SingleCopy, SecondCopyEndsAtOnce) {
    DeleteProductKey();
    Program first(L"");
    ASSERT_NE(first.Wizard(), nullptr);
    Program second(L"/signin");
    EXPECT_EQ(second.WaitForExit(kRunTimeoutMs), 0u);
    EXPECT_TRUE(second.Texts().empty());
    EXPECT_TRUE(ValuesUnder(HKEY_LOCAL_MACHINE, kProductKey).empty());
    second.ExpectNoCrash();
}

void Key(WORD key, DWORD flags = 0) {
    INPUT input{.type = INPUT_KEYBOARD, .ki = {.wVk = key, .wScan = 0, .dwFlags = flags, .time = 0, .dwExtraInfo = 0}};
    SendInput(1, &input, sizeof(input));
}

// Enter released in the password field signs in. The Enter that closes the box the
// sign-in brought, released once the focus is back in that field, must not sign in
// again: each press would bring the same box back after a whole exchange.
TEST(Keyboard, EnterThatClosesTheBoxDoesNotSignInAgain) {
    DeleteProductKey();
    StoreValue("State\\AuthInfoUserName=sz0:ann");  // the focus starts in the password field
    LoopbackServer service({}, Reply("-2"));
    Program program(L"/signin");
    const HWND wizard = program.Wizard(), password = GetDlgItem(wizard, IDC_SIGNIN_PASSWORD);
    SetForegroundWindow(wizard);
    const bool foreground = PollUntil([&] { return GetForegroundWindow() == wizard; }, UnderWine() ? kRunTimeoutMs : 2000);
    if (!foreground && !UnderWine())
        GTEST_SKIP() << "the keys need the wizard in the foreground of an unlocked desktop, which Windows did not give it";
    ASSERT_TRUE(foreground && TypeInto(password, L"wrong-1"));
    Key(VK_RETURN), Key(VK_RETURN, KEYEVENTF_KEYUP);
    HWND box = nullptr;
    EXPECT_EQ(program.WaitForBox(&box), kSignInRefused);
    Key(VK_RETURN);  // closes the box; the release reaches the password field
    ASSERT_TRUE(PollUntil([&] { return !IsWindow(box); }));
    Key(VK_RETURN, KEYEVENTF_KEYUP);
    // A key typed after it shows in the field once the wizard has handled the release;
    // a sign-in would bring its box first.
    Key('X'), Key('X', KEYEVENTF_KEYUP);
    PollUntil([&] { return TextOf(password).size() > 7 || program.OpenBox(); });
    EXPECT_FALSE(program.OpenBox());
    EXPECT_EQ(service.Requests().size(), 1u);
    PostMessageW(wizard, WM_CLOSE, 0, 0);
    EXPECT_EQ(program.WaitForExit(kRunTimeoutMs), 0u);
    program.ExpectNoCrash();
    DeleteProductKey();
}

// clang-format on
}  // namespace
