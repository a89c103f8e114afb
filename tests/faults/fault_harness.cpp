#include "tests/faults/fault_harness.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <cwchar>
#include <set>

#include "app/settings_store.h"
#include "net/utf8.h"
#include "tests/support/form_fields.h"
#include "ui/controls.h"

namespace {

constexpr std::chrono::milliseconds kSlowReplyDelay{1500};
constexpr std::size_t kMiB = 1024 * 1024;
constexpr char kLinePrefix[] = "[TirnaParental] ";
// The status that mingw-w64's C++ runtime raises for a thrown exception.
constexpr DWORD kCppException = 0x20474343;
constexpr DWORD kHeapCorruption = 0xC0000374;
constexpr DWORD kStackBufferOverrun = 0xC0000409;

// Exceptions that only a fault in the program raises.
bool IsFaultException(DWORD code) {
    switch (code) {
        case EXCEPTION_ACCESS_VIOLATION:
        case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
        case EXCEPTION_DATATYPE_MISALIGNMENT:
        case EXCEPTION_ILLEGAL_INSTRUCTION:
        case EXCEPTION_IN_PAGE_ERROR:
        case EXCEPTION_INT_DIVIDE_BY_ZERO:
        case EXCEPTION_INT_OVERFLOW:
        case EXCEPTION_PRIV_INSTRUCTION:
        case EXCEPTION_STACK_OVERFLOW:
        case kCppException:
        case kHeapCorruption:
        case kStackBufferOverrun:
            return true;
        default:
            return false;
    }
}

bool StartsWith(const std::string& text, std::string_view start) {
    return text.compare(0, start.size(), start) == 0;
}

// The token of one line for the transcript, or nothing for lines it leaves out.
std::optional<std::string> TranscriptToken(const std::string& line) {
    static const std::string kNet = std::string(kLinePrefix) + "[TirnaNet] ";
    static const std::string kAccount = std::string(kLinePrefix) + "[TirnaUIAuth] ";
    static const std::string kFinal =
        "failed to send request to server; No more retry. Error code: ";
    if (line == kNet + "send post succeeded.") return "S";
    if (line == kNet + "received invalid response from server; Retry.") return "I";
    if (line == kNet + "failed to send request to server; Retry.") return "F";
    if (StartsWith(line, kNet + kFinal)) return "E" + line.substr(kNet.size() + kFinal.size());
    if (line == kAccount + "failed to send request to server;  retry.") return "X";
    if (line == kAccount + "failed to create user.") return "C";
    if (line == kAccount + "Create account succeeded.") return "A";
    return std::nullopt;
}

void Snapshot(HKEY key, const std::wstring& path, RegistrySnapshot& values) {
    for (DWORD i = 0;; ++i) {
        std::array<wchar_t, 16384> name{};
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD type = REG_NONE;
        DWORD size = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        RawValue value;
        value.type = type;
        value.bytes.resize(size);
        RegQueryValueExW(key, name.data(), nullptr, nullptr, value.bytes.data(), &size);
        value.bytes.resize(size);
        values[path + name.data()] = std::move(value);
    }
    for (DWORD i = 0;; ++i) {
        std::array<wchar_t, 256> name{};
        if (RegEnumKeyW(key, i, name.data(), static_cast<DWORD>(name.size())) != ERROR_SUCCESS) {
            break;
        }
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, name.data(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        Snapshot(child, path + name.data() + L"\\", values);
        RegCloseKey(child);
    }
}

RegistrySnapshot SnapshotTree(HKEY root, const wchar_t* path) {
    RegistrySnapshot values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    Snapshot(key, L"", values);
    RegCloseKey(key);
    return values;
}

// The byte forms in which a typed text could leave the program.
std::vector<std::string> LeakForms(const std::wstring& secret) {
    std::string ansi(secret.size() * 2, '\0');
    const int length =
        WideCharToMultiByte(CP_ACP, 0, secret.data(), static_cast<int>(secret.size()), ansi.data(),
                            static_cast<int>(ansi.size()), nullptr, nullptr);
    ansi.resize(static_cast<std::size_t>(std::max(length, 0)));
    std::string utf16(secret.size() * sizeof(wchar_t), '\0');
    std::memcpy(utf16.data(), secret.data(), utf16.size());
    return {ToUtf8(secret), ansi, utf16};
}

void ExpectAbsent(const std::vector<std::string>& forms, std::string_view bytes,
                  const std::string& where) {
    for (const std::string& form : forms) {
        EXPECT_EQ(bytes.find(form), std::string_view::npos) << "the secret appears in " << where;
    }
}

void ExpectAbsent(const std::vector<std::string>& forms, const RegistrySnapshot& values) {
    for (const auto& [name, value] : values) {
        const std::string_view bytes(reinterpret_cast<const char*>(value.bytes.data()),
                                     value.bytes.size());
        ExpectAbsent(forms, bytes, "the registry value " + ToUtf8(name));
        ExpectAbsent(forms, ToUtf8(name), "a registry name");
    }
}

bool SameValue(const RawValue& a, const RawValue& b) {
    return a.type == b.type && a.bytes == b.bytes;
}

std::string Describe(const MessageBoxView& box) {
    std::string description = "\"";
    description += ToUtf8(box.title);
    description += "\": ";
    description += ToUtf8(box.text);
    return description;
}

}  // namespace

ScriptedReply SlowReply(std::string body) {
    ScriptedReply reply = Reply(std::move(body));
    reply.delay = kSlowReplyDelay;
    return reply;
}

ScriptedReply MiBReply(std::string start) {
    return Reply(start + std::string(kMiB, 'x'));
}

ScriptedReply GarbageMiBReply() {
    std::string body(kMiB, '\0');
    for (std::size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<char>(1 + (i * 7 + 13) % 255);
    }
    return Reply(std::move(body));
}

ScriptedReply HtmlErrorReply() {
    ScriptedReply reply = Reply(
        "<!DOCTYPE html><html><head><title>500 Internal Server Error</title></head><body>"
        "<h1>Internal Server Error</h1><p>The server encountered an internal error.</p>"
        "</body></html>",
        500);
    reply.contentType = "text/html";
    return reply;
}

ScriptedReply Bytes(std::string_view bytes, int status) {
    return Reply(std::string(bytes), status);
}

void ExpectNoCrash(DebuggedProcess& process) {
    for (const ProgramException& exception : process.Exceptions()) {
        EXPECT_FALSE(!exception.firstChance || IsFaultException(exception.code))
            << "exception 0x" << std::hex << exception.code
            << (exception.firstChance ? " (first chance)" : " (left unhandled)");
    }
    for (const std::string& line : process.Lines()) {
        EXPECT_TRUE(StartsWith(line, kLinePrefix)) << "line: " << line.substr(0, 200);
        EXPECT_LE(line.size(), kLongestLine) << "line: " << line.substr(0, 200);
    }
}

std::string NetTranscript(const std::vector<std::string>& lines) {
    std::string transcript;
    for (const std::string& line : lines) {
        const auto token = TranscriptToken(line);
        if (!token) continue;
        if (!transcript.empty()) transcript += ' ';
        transcript += *token;
    }
    return transcript;
}

std::string Repeated(const std::string& transcript, int times) {
    std::string result;
    for (int i = 0; i < times; ++i) {
        if (!result.empty()) result += ' ';
        result += transcript;
    }
    return result;
}

std::unique_ptr<LoopbackServer> StartService(bool listening,
                                             const std::vector<ScriptedReply>& replies,
                                             const ScriptedReply& otherwise) {
    if (!listening) return nullptr;
    auto service = std::make_unique<LoopbackServer>();
    EXPECT_TRUE(service->Listening()) << "port " << ServiceOriginPort() << " is taken";
    service->Script(replies);
    service->SetDefaultReply(otherwise);
    return service;
}

std::vector<RecordedRequest> RequestsOf(const std::unique_ptr<LoopbackServer>& service) {
    return service ? service->Requests() : std::vector<RecordedRequest>{};
}

RegistrySnapshot SnapshotProductKey() {
    return SnapshotTree(HKEY_LOCAL_MACHINE, kProductKey);
}

std::vector<std::wstring> ChangedValues(const RegistrySnapshot& before,
                                        const RegistrySnapshot& after) {
    std::set<std::wstring> changed;
    for (const auto& [name, value] : before) {
        const auto now = after.find(name);
        if (now == after.end() || !SameValue(now->second, value)) changed.insert(name);
    }
    for (const auto& [name, value] : after) {
        if (!before.contains(name)) changed.insert(name);
    }
    return {changed.begin(), changed.end()};
}

void ExpectSecretNowhere(const std::wstring& secret, DebuggedProcess& process,
                         const std::vector<RecordedRequest>& requests) {
    const std::vector<std::string> forms = LeakForms(secret);
    for (const std::string& line : process.Lines()) ExpectAbsent(forms, line, "a debugger line");
    for (const RecordedRequest& request : requests) {
        std::string bytes = request.requestLine;
        for (const std::string& header : request.headerLines) bytes += "\n" + header;
        ExpectAbsent(forms, bytes + "\n" + request.body, "a request");
    }
    ExpectAbsent(forms, SnapshotProductKey());
}

void ExpectSecretsNowhereInRegistry(const std::vector<std::wstring>& secrets) {
    std::vector<std::string> forms;
    for (const std::wstring& secret : secrets) {
        const auto more = LeakForms(secret);
        forms.insert(forms.end(), more.begin(), more.end());
    }
    ExpectAbsent(forms, SnapshotTree(HKEY_LOCAL_MACHINE, L"Software"));
    ExpectAbsent(forms, SnapshotTree(HKEY_CURRENT_USER, L"Software"));
}

std::string ActionOf(const RecordedRequest& request) {
    return FieldValue(SplitFormBody(request.body), "action");
}

std::optional<std::wstring> ReadText(const std::wstring& keyPath, const std::wstring& name) {
    const auto raw = ReadRawValue(keyPath, name);
    if (!raw || raw->type != REG_SZ) return std::nullopt;
    std::wstring text(raw->bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), raw->bytes.data(), text.size() * sizeof(wchar_t));
    return text.substr(0, std::wcslen(text.c_str()));
}

void PrintTo(const ExpectedBox& box, std::ostream* out) {
    *out << "\"" << ToUtf8(box.title) << "\": " << ToUtf8(box.text);
}

ExpectedBox NoConnectivityMessage() {
    return {L"Tirna - Communication error.",
            L"There is no internet connectivity. Please make sure you have an internet connection "
            L"up and running and try again."};
}

ExpectedBox ServerAccessMessage() {
    return {L"Tirna - Communication error.",
            L"There was an error accessing Tirna parental server. Please try again later."};
}

ExpectedBox SignInRefusedMessage() {
    return {L"Tirna - Signin error.",
            L"Invalid username or password. Please make sure you typed them correctly and try "
            L"again."};
}

ExpectedBox CloseQuestion() {
    return {L"Tirna warning",
            L"Closing the authentification window before signing in or creating an Tirna parent "
            L"account will postpone the activation of Tirna on this computer. That means parental "
            L"controls will not work for now on this computer untill you sign in. Are you sure you "
            L"want to abort the authentification of your device with Tirna? \n(you can activate "
            L"Tirna at a latter time on this device)"};
}

::testing::AssertionResult AnswerBox(DebuggedProcess& process, HWND wizard,
                                     const ExpectedBox& expected, int button) {
    const auto box = WaitForMessageBox(process.ProcessId(), kRunTimeoutMs);
    if (!box) {
        return ::testing::AssertionFailure() << "no message box came; " << DescribeWizard(wizard);
    }
    if (box->title != expected.title || box->text != expected.text) {
        Answer(*box, button);
        return ::testing::AssertionFailure() << "the box " << Describe(*box) << " came instead of "
                                             << ::testing::PrintToString(expected);
    }
    if (box->owner != wizard) {
        Answer(*box, button);
        return ::testing::AssertionFailure()
               << "the box " << Describe(*box) << " is not owned by the wizard";
    }
    if (!Answer(*box, button)) {
        return ::testing::AssertionFailure() << "the box " << Describe(*box) << " stays open";
    }
    return ::testing::AssertionSuccess();
}

std::optional<DWORD> CloseWizard(DebuggedProcess& process, HWND wizard, bool asks) {
    PostMessageW(wizard, WM_CLOSE, 0, 0);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kRunTimeoutMs);
    bool asked = false;
    while (std::chrono::steady_clock::now() < deadline) {
        if (const auto code = process.WaitForExit(50)) {
            EXPECT_EQ(asked, asks) << "the closing question";
            return code;
        }
        const auto box = FindMessageBox(process.ProcessId());
        if (!box) continue;
        const bool question = box->title == CloseQuestion().title &&
                              box->text == CloseQuestion().text && box->owner == wizard;
        EXPECT_TRUE(question && asks && !asked) << "unexpected message box " << Describe(*box);
        asked = true;
        Answer(*box, question ? IDYES : IDOK);
    }
    ADD_FAILURE() << "the program did not end; " << DescribeWizard(wizard);
    return std::nullopt;
}

bool IsChecked(HWND wizard, int id) {
    DWORD_PTR state = BST_UNCHECKED;
    SendMessageTimeoutW(GetDlgItem(wizard, id), BM_GETCHECK, 0, 0, SMTO_NORMAL, kRunTimeoutMs,
                        &state);
    return state == BST_CHECKED;
}

::testing::AssertionResult SignInWith(HWND wizard, const std::wstring& userName,
                                      const std::wstring& password) {
    if (!TypeInto(wizard, IDC_SIGNIN_USER, userName) ||
        !TypeInto(wizard, IDC_SIGNIN_PASSWORD, password)) {
        return ::testing::AssertionFailure()
               << "cannot type the credentials; " << DescribeWizard(wizard);
    }
    Press(wizard, IDC_SIGNIN_BUTTON);
    return ::testing::AssertionSuccess();
}

void FinishRun(DebuggedProcess& process, HWND wizard) {
    EXPECT_TRUE(WaitForView(wizard, WizardView::Done, kRunTimeoutMs)) << DescribeWizard(wizard);
    Press(wizard, IDC_FINISH);
    EXPECT_EQ(process.WaitForExit(kRunTimeoutMs), 0u);
}
