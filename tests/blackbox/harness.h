#pragma once
// The black-box harness: TirnaUIAuth.exe runs under Wine as the product runs it,
// under a small debugger loop that captures its lines, exceptions and exit code.
// A loopback service plays the Tirna service from a script and records every
// request byte for byte; the registry of the test prefix is set and read back;
// the wizard and its message boxes are driven from this process.

#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;

// Long enough for a start under Wine and every retry of the slowest flow.
inline constexpr DWORD kRunTimeoutMs = 60000;

std::string Utf8(std::wstring_view text);
// The bytes of a literal, NULs included.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
    return std::string(text, N - 1);
}
std::wstring Wide(std::string_view utf8);

// ---- The service ----------------------------------------------------------------

struct ScriptedReply {
    enum class Fault { None, Drop, Truncate, Raw };
    int status = 200;
    std::string body{};
    std::string contentType = "text/plain";
    std::chrono::milliseconds delay{0};  // before answering
    Fault fault = Fault::None;
};
ScriptedReply Reply(std::string body, int status = 200);
ScriptedReply DroppedReply();                    // closed without an answer
ScriptedReply TruncatedReply(std::string body);  // announces 1000 bytes more than it sends
ScriptedReply RawReply(std::string bytes);       // these bytes as the whole answer
ScriptedReply SlowReply(std::string body);       // answered after 1.5 s
ScriptedReply MiBReply(std::string start);       // `start`, then 1 MiB of filler
ScriptedReply GarbageMiBReply();                 // 1 MiB of bytes 0x01-0xFF
ScriptedReply HtmlErrorReply();                  // status 500 with an HTML page

struct RecordedRequest {
    std::string requestLine;                         // "POST /device_point.php HTTP/1.1"
    std::vector<std::string> headerLines;            // in order, without CR LF
    std::string body;                                // the Content-Length bytes
    std::string Field(std::string_view name) const;  // "<absent>" when missing
};

// Listens on the port of the build's service origin, one request per connection.
class LoopbackServer {
  public:
    LoopbackServer(std::vector<ScriptedReply> script, ScriptedReply otherwise);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;
    bool Listening() const { return thread_.joinable(); }
    std::vector<RecordedRequest> Requests() const;

  private:
    void Serve(SOCKET connection);
    ScriptedReply Next();

    SOCKET listener_ = INVALID_SOCKET;
    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    bool stopping_ = false;
    SOCKET current_ = INVALID_SOCKET;
    std::deque<ScriptedReply> script_;
    ScriptedReply otherwise_;
    std::vector<RecordedRequest> requests_;
    std::thread thread_;
};

// ---- The registry under HKLM\SOFTWARE\TirnaParental --------------------------------
// A value is written as text, "path=kind:payload", with the path below the product key
// ("UID", "State\RegSucceeded"). Kinds: dword:42; sz:text (UTF-16, no terminator);
// sz0: expand0: multi0: (with one terminator added); binary: and qword: in hex pairs.
// A value that a run removed reads "path=deleted".

inline constexpr wchar_t kProductKey[] = L"SOFTWARE\\TirnaParental";
void DeleteProductKey();
void StoreValue(const std::string& value);
// Lets everyone only read the product's keys, which it creates when missing.
void MakeProductKeysReadOnly();
std::vector<std::string> ProductValues();  // every value under the key, in that form
std::vector<std::string> ValuesUnder(HKEY root, const std::wstring& path);
// The values of `after` that are not in `before`, and those of `before` now gone.
std::vector<std::string> ChangedValues(const std::vector<std::string>& before,
                                       const std::vector<std::string>& after);
std::string Hex(std::string_view bytes);

// ---- The program --------------------------------------------------------------

enum class View { None, SignIn, CreateAccount, Profile, Done };

struct ShownBox {
    std::wstring title;
    std::wstring text;
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

    bool Started();
    std::optional<DWORD> WaitForExit(DWORD timeoutMs);
    std::vector<DebugLine> Lines();
    std::vector<std::string> Texts();  // the lines' texts alone
    // Checks that no exception of the kinds a fault raises came, and that every
    // line is well formed.
    void ExpectNoCrash();

    // The wizard window, once it shows (nullptr after the time-out).
    HWND Wizard(DWORD timeoutMs = kRunTimeoutMs);
    std::optional<ShownBox> WaitForBox(DWORD timeoutMs, HWND* window = nullptr);
    std::optional<HWND> OpenBox();

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

// What the wizard shows, by its visible controls: pages 2 and 3 look alike, as do 4 and 5.
View CurrentView(HWND wizard);
bool WaitForView(HWND wizard, View view);
std::wstring TextOf(HWND control);
// Puts text into an edit field as typing it would leave it.
bool TypeInto(HWND control, const std::wstring& text);
// The state of the current page in one line: its fields, list, choices and boxes.
std::string Look(HWND wizard);
// Every visible child of the wizard, one line each: class, id, text, client
// rectangle and style.
std::vector<std::string> VisibleControls(HWND wizard);

// Polls `done` every 20 ms: another process's windows cannot be waited on.
template <typename Done>
bool PollUntil(Done done, DWORD timeoutMs = kRunTimeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        Sleep(20);
    }
    return true;
}

// ---- Runs as table rows ----------------------------------------------------------

// One thing the parent does, or one thing the run must show at that moment.
struct Step {
    enum Kind { Type, Press, Check, Choose, Answer, Await, Look, Controls, Close, Finish } kind;
    int id = 0;
    std::wstring text{};
    View view = View::None;
};
Step Type(int id, std::wstring text);
Step Press(int id);
Step Check(int id);                             // ticks a check box
Step Choose(std::wstring profile);              // picks a listed child profile
Step Answer(int button = IDOK);                 // answers the next message box, recording it
Step Await(View view);                          // the wizard shows this page (and no box)
Step Sees(std::string look);                    // Look() of the page must read so
Step Shows(std::vector<std::string> controls);  // VisibleControls() must read so
Step Close();                                   // the close box of the caption
Step Finish();                                  // Finish on the closing page
// The sign-in page filled in and "Sign in" pressed.
std::vector<Step> SignIn(std::wstring userName, std::wstring password);
// The account-creation page filled in and "Create account" pressed.
std::vector<Step> CreateAccount(std::wstring userName, std::wstring password,
                                std::wstring confirmation, std::wstring email);
std::vector<Step> OpenCreatePage();
std::vector<Step> operator+(std::vector<Step> a, const std::vector<Step>& b);
std::vector<Step> operator+(std::vector<Step> a, Step b);

struct Run {
    const char* name;
    std::wstring arguments{};
    std::vector<std::string> stored{};  // values under the product key before the run
    bool readOnly = false;  // the product's keys may only be read, as by a standard user
    std::vector<ScriptedReply> replies{};  // answered in order, then `otherwise`
    ScriptedReply otherwise = Reply("");
    bool listening = true;
    std::vector<Step> steps{};  // after them the program must end by itself

    // What must be seen: the boxes in order; each request's whole body, or only its
    // action; the transport's lines in short (see Transcript); the values written,
    // changed or removed; the exit code.
    std::vector<ShownBox> boxes{};
    std::vector<std::string> requests{};
    std::optional<std::string> transcript{};
    std::vector<std::string> written{};
    std::vector<std::string> lines{};  // the program's debugger lines begin with these
    DWORD exitCode = 0;
    // Wine may send a retry over the connection that the service has closed, and
    // that request never arrives: then the requests are not counted.
    bool requestsVary = false;
};
void PrintTo(const Run& run, std::ostream* out);
std::string RunName(const ::testing::TestParamInfo<Run>& info);

// Runs the program as the row says and checks all it must show; what the program
// sent is returned for further checks.
struct Outcome {
    std::vector<RecordedRequest> requests;
    std::vector<std::string> lines;
};
Outcome Play(const Run& run);

// The transport's lines, one token each: S a success reply, I an invalid one, F a
// failed send, E<code> a failed post; for account creation X a failed send, A
// created, C not created; "~" before a token that came after a pause of 0.8 s or more.
std::string Transcript(const std::vector<DebugLine>& lines);
std::string Times(const std::string& transcript, int count);

// The messages shared by several flows.
ShownBox InputError(std::wstring text);
ShownBox NoConnectivity();
ShownBox ServerAccess();
ShownBox SignInRefused();
ShownBox CloseQuestion();

// The digest the program stores for "secret" and a second known one.
inline constexpr char kSecretDigest[] = "5ebe2294ecd0e0f08eab7690d2a6ee69";
inline constexpr char kAbcDigest[] = "900150983cd24fb0d6963f7d28e17f72";
