#pragma once
// The black-box harness: TirnaUIAuth.exe runs under a small debugger loop (its lines,
// exceptions and exit code), the loopback service plays the Tirna service, the test
// prefix's registry is set and read back, the wizard and its boxes driven from here.

#include <windows.h>
#include <gtest/gtest.h>

#include <optional>

#include "tests/blackbox/service.h"

using Clock = std::chrono::steady_clock;
using Strings = std::vector<std::string>;

// Long enough for a start under Wine and every retry of the slowest flow.
inline constexpr DWORD kRunTimeoutMs = 60000;

std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view utf8);
template <typename T>
std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// ---- Values under HKLM\SOFTWARE\TirnaParental, as text --------------------------
// "path=kind:payload", the path below the product key ("UID", "State\RegSucceeded").
// Kinds: dword:42; sz:text (UTF-16, 2 bytes a character, no terminator); sz0:, expand0:,
// multi0: (one terminator added); binary: in hex. StoreValue reads back the size stored
// and fails the test unless it is exactly that. A removed value reads "path=deleted".

inline constexpr wchar_t kProductKey[] = L"SOFTWARE\\TirnaParental";
void DeleteProductKey();
void StoreValue(const std::string& value);
// The product key and its State key refuse setting values to Everyone (each key has
// its own security); false gives Everyone every right again.
void DenyValueWrites(bool deny);
Strings ValuesUnder(HKEY root, const std::wstring& path);
Strings ChangedValues(const Strings& before, const Strings& after);  // sorted
std::string Hex(std::string_view bytes);

// ---- The program and its windows --------------------------------------------------

enum class View { None, SignIn, CreateAccount, Profile, Done };  // pages 2/3 and 4/5 look alike

struct ShownBox {
    std::wstring title, text;
    UINT style = 0;     // the MB_ flags of its buttons and icon
    bool owned = true;  // by the wizard window
    bool operator==(const ShownBox&) const = default;
};
void PrintTo(const ShownBox& box, std::ostream* out);

struct DebugLine {
    std::string text;  // ANSI, as a debugger receives it
    Clock::time_point at;
};

class Program {
  public:
    explicit Program(const std::wstring& arguments);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    std::optional<DWORD> WaitForExit(DWORD timeoutMs);
    std::vector<DebugLine> Lines();
    Strings Texts();
    // No exception of the kinds a fault raises, and only well-formed lines.
    void ExpectNoCrash();
    HWND Wizard(DWORD timeoutMs = kRunTimeoutMs);
    std::optional<HWND> OpenBox();
    std::optional<ShownBox> WaitForBox(HWND* window = nullptr);

  private:
    void Loop(std::wstring commandLine);

    std::mutex mutex_;
    std::condition_variable changed_;
    bool startDone_ = false, started_ = false, exited_ = false, firstBreakSeen_ = false;
    DWORD processId_ = 0, exitCode_ = 0;
    HANDLE process_ = nullptr;
    HWND wizard_ = nullptr;
    std::vector<DebugLine> lines_;
    std::vector<std::pair<DWORD, bool>> exceptions_;  // code, first chance
    std::thread thread_;
};

bool WaitForView(HWND wizard, View view);  // false when a box or nothing comes instead
// A message to another process's window, given 10 s to be handled.
LRESULT SendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
std::wstring TextOf(HWND control);
bool TypeInto(HWND control, const std::wstring& text);
// The current page in one line: its fields, list and choices.
std::string Look(HWND wizard);
// Every visible child: class, id, text, place in the window, style and focus.
Strings VisibleControls(HWND wizard);

// Polls every 20 ms: another process's windows cannot be waited on.
template <typename Done>
bool PollUntil(Done done, DWORD timeoutMs = kRunTimeoutMs) {
    for (const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs); !done(); Sleep(20)) {
        if (Clock::now() >= end) return false;
    }
    return true;
}

// ---- Runs as table rows -------------------------------------------------------------

// One thing the parent does, or sees at that moment.
struct Step {
    enum Kind { Type, Keys, Press, Tick, Choose, Answer, Await, Close, Look, Controls, Holds } kind;
    int id = 0;  // the control, or the button that answers a box
    std::wstring text{};
    View view = View::None;
};
using Steps = std::vector<Step>;
// The field's whole text replaced at once (WM_SETTEXT), past its width and limit.
inline auto Type = [](int id, std::wstring text) { return Step{Step::Type, id, std::move(text)}; };
// One character at a time, as a keyboard types: the field's own width and limit apply.
inline auto Keys = [](int id, std::wstring text) { return Step{Step::Keys, id, std::move(text)}; };
inline auto Press = [](int id) { return Step{Step::Press, id}; };
inline auto Tick = [](int id) { return Step{Step::Tick, id}; };  // a check box
inline auto Choose = [](std::wstring profile) { return Step{Step::Choose, 0, std::move(profile)}; };
// Answers the next message box, which is recorded.
inline auto Answer = [](int button = IDOK) { return Step{Step::Answer, button}; };
inline auto Await = [](View view) { return Step{.kind = Step::Await, .view = view}; };
inline auto Sees = [](std::string look) { return Step{Step::Look, 0, Wide(look)}; };  // Look()
// A value under the product key ("path=kind:payload") at that moment, the wizard open.
inline auto Holds = [](std::string value) { return Step{Step::Holds, 0, Wide(value)}; };
inline auto Close = [] { return Step{Step::Close}; };  // the close box of the caption
Step Shows(Strings controls);                          // VisibleControls()
Steps operator+(Steps a, Step b);
Steps SignIn(std::wstring userName, std::wstring password);
Steps OpenCreatePage();
Steps CreateAccount(std::wstring user, std::wstring password, std::wstring confirmation,
                    std::wstring email);
Steps Finish();  // on the closing page

struct Run {
    const char* name;
    std::wstring arguments{};
    Strings stored{};                      // values under the product key before the run
    bool writesDenied = false;             // DenyValueWrites once they are stored
    std::vector<ScriptedReply> replies{};  // answered in order, then `otherwise`
    ScriptedReply otherwise{};
    bool listening = true;
    Steps steps{};  // after them the program must end by itself
    // What must be seen: the boxes; each request's whole body (the machine's own
    // values as <did>, <osv>, <dtype>, <dname>, <dconfig>) or only its action, led by
    // "<request line>, Host: <host>: " when it is not a POST of the endpoint; the
    // transport's lines, a token each (S success reply, I invalid reply, F failed
    // send, E<code> failed post; X failed send, A created, C not created for account
    // creation; "~" after a pause of 0.8 s or more); the values written, changed or
    // removed; the first debugger lines. Every run ends with code 0.
    std::vector<ShownBox> boxes{};
    Strings requests{};
    std::optional<std::string> transcript{};
    Strings written{};
    Strings lines{};
    bool codePage1252 = false;  // its digests or texts are those of code page 1252
};
void PrintTo(const Run& run, std::ostream* out);
std::string RunName(const ::testing::TestParamInfo<Run>& info);
// Each table is one instantiation of this suite, whose one test plays a row.
class Runs : public ::testing::TestWithParam<Run> {};

// Runs the program as the row says and checks all it must show.
void Play(const Run& run);

inline ShownBox InputError(std::wstring text) {
    return {L"Tirna - Input error", std::move(text), MB_OK};
}
inline const ShownBox kNoConnectivity = {
    L"Tirna - Communication error.",
    L"There is no internet connectivity. Please make sure you have an internet connection up and "
    L"running and try again.",
    MB_OK | MB_ICONEXCLAMATION};
inline const ShownBox kServerAccess = {
    L"Tirna - Communication error.",
    L"There was an error accessing Tirna parental server. Please try again later.",
    MB_OK | MB_ICONEXCLAMATION};
inline const ShownBox kSignInRefused = {
    L"Tirna - Signin error.",
    L"Invalid username or password. Please make sure you typed them correctly and try again.",
    MB_OK | MB_ICONEXCLAMATION};
inline const ShownBox kCloseQuestion = {
    L"Tirna warning",
    L"Closing the authentification window before signing in or creating an Tirna parent account "
    L"will postpone the activation of Tirna on this computer. That means parental controls will "
    L"not work for now on this computer untill you sign in. Are you sure you want to abort the "
    L"authentification of your device with Tirna? \n(you can activate Tirna at a latter time on "
    L"this device)",
    MB_YESNO | MB_ICONEXCLAMATION};

inline constexpr char kSecretDigest[] = "5ebe2294ecd0e0f08eab7690d2a6ee69";  // of "secret"
inline constexpr char kAbcDigest[] = "900150983cd24fb0d6963f7d28e17f72";     // of "abc"
