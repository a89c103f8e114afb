// Whole runs of the program as table rows: set up, play the parent's steps, check
// everything that the run must show.

#include <algorithm>
#include <array>
#include <cstdio>
#include <intrin.h>

#include "tests/blackbox/harness.h"
#include "ui/controls.h"

namespace {

// A pause of the program between two lines, as opposed to the time an exchange takes.
constexpr auto kPause = std::chrono::milliseconds(800);

// The identifier of this machine, but for the two digits that name the processor
// core that ran CPUID: the volume serial of C:\ and CPUID leaf 1, bytes least
// significant first.
std::string ExpectedDeviceId() {
    DWORD serial = 0;
    GetVolumeInformationW(L"C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0);
    std::array<int, 4> cpu{};
    __cpuid(cpu.data(), 1);
    std::array<char, 64> id{};
    const auto byte = [](std::uint32_t value, int i) { return (value >> (8 * i)) & 0xFF; };
    int at = std::snprintf(id.data(), id.size(), "%02X-%02X-%02X-%02X", byte(serial, 0),
                           byte(serial, 1), byte(serial, 2), byte(serial, 3));
    for (const int value : cpu) {
        const auto v = static_cast<std::uint32_t>(value);
        at += std::snprintf(id.data() + at, id.size() - static_cast<std::size_t>(at),
                            "-%02X%02X%02X%02X", byte(v, 0), byte(v, 1), byte(v, 2), byte(v, 3));
    }
    return std::string(id.data()).replace(27, 2, "??");
}

std::string ExpectedDeviceName() {
    std::array<wchar_t, 260> name{};
    DWORD size = static_cast<DWORD>(name.size());
    GetComputerNameExW(ComputerNamePhysicalDnsHostname, name.data(), &size);
    std::string utf8 = Utf8(name.data());
    std::replace_if(
        utf8.begin(), utf8.end(),
        [](char c) { return std::string_view("\"&',./?@\\").find(c) != std::string_view::npos; },
        ' ');
    return utf8;
}

// The body with the values that describe this machine replaced by placeholders,
// each only when it is what this machine must give.
std::string Normalized(const RecordedRequest& request) {
    static const std::string deviceId = ExpectedDeviceId(), deviceName = ExpectedDeviceName();
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExW(&version);
    SYSTEM_POWER_STATUS power{};
    GetSystemPowerStatus(&power);
    std::string body = request.body;
    const auto replace = [&](const std::string& name, bool expected, const char* placeholder) {
        const std::string value = request.Field(name);
        const std::size_t at = body.find("&" + name + "=" + value);
        if (expected && at != std::string::npos)
            body.replace(at + name.size() + 2, value.size(), placeholder);
    };
    std::string did = request.Field("did");
    if (did.size() == 47) did.replace(27, 2, "??");
    replace("did", did == deviceId, "<did>");
    replace("osv",
            request.Field("osv") == "Windows" + std::to_string(version.dwMajorVersion) + "." +
                                        std::to_string(version.dwMinorVersion),
            "<os>");
    replace("dtype", request.Field("dtype") == (power.ACLineStatus <= 1 ? "2" : "1"), "<type>");
    replace("dname", request.Field("dname") == deviceName, "<name>");
    const std::string config = request.Field("dconfig");
    replace("dconfig",
            !config.empty() && config.back() == ' ' &&
                config.find_first_of("&'.,/?@\\") == std::string::npos,
            "<config>");
    return body;
}

std::optional<std::string> Token(const std::string& line) {
    static const std::string net = "[TirnaParental] [TirnaNet] ",
                             account = "[TirnaParental] [TirnaUIAuth] ",
                             noMore =
                                 net +
                                 "failed to send request to server; No more retry. Error code: ";
    if (line == net + "send post succeeded.") return "S";
    if (line == net + "received invalid response from server; Retry.") return "I";
    if (line == net + "failed to send request to server; Retry.") return "F";
    if (line.rfind(noMore, 0) == 0) return "E" + line.substr(noMore.size());
    if (line == account + "failed to send request to server;  retry.") return "X";
    if (line == account + "Create account succeeded.") return "A";
    if (line == account + "failed to create user.") return "C";
    return std::nullopt;
}

::testing::AssertionResult Fail(HWND wizard, const std::string& what) {
    return ::testing::AssertionFailure() << what << "; the wizard shows: " << Look(wizard);
}

::testing::AssertionResult Do(Program& program, const Step& step, std::vector<ShownBox>& boxes) {
    const HWND wizard = program.Wizard();
    if (wizard == nullptr) return ::testing::AssertionFailure() << "no wizard window";
    const HWND control = GetDlgItem(wizard, step.id);
    DWORD_PTR result = 0;
    switch (step.kind) {
        case Step::Type:
            return TypeInto(control, step.text) ? ::testing::AssertionSuccess()
                                                : Fail(wizard, "cannot type");
        case Step::Press:
            PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(step.id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(control));
            return ::testing::AssertionSuccess();
        case Step::Check:
            SendMessageTimeoutW(control, BM_SETCHECK, BST_CHECKED, 0, SMTO_NORMAL, kRunTimeoutMs,
                                &result);
            return ::testing::AssertionSuccess();
        case Step::Choose: {
            const HWND list = FindWindowExW(wizard, nullptr, L"ComboBox", nullptr);
            SendMessageTimeoutW(list, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                reinterpret_cast<LPARAM>(step.text.c_str()), SMTO_NORMAL,
                                kRunTimeoutMs, &result);
            return result != static_cast<DWORD_PTR>(CB_ERR) ? ::testing::AssertionSuccess()
                                                            : Fail(wizard, "no such profile");
        }
        case Step::Answer: {
            HWND window = nullptr;
            const auto box = program.WaitForBox(kRunTimeoutMs, &window);
            if (!box) return Fail(wizard, "no message box came");
            boxes.push_back(*box);
            PostMessageW(window, WM_COMMAND, static_cast<WPARAM>(step.id), 0);
            return PollUntil([&] { return !IsWindow(window); }) ? ::testing::AssertionSuccess()
                                                                : Fail(wizard, "the box stays");
        }
        case Step::Await:
            return WaitForView(wizard, step.view) ? ::testing::AssertionSuccess()
                                                  : Fail(wizard, "the page did not come");
        case Step::Look:
            return Look(wizard) == Utf8(step.text) ? ::testing::AssertionSuccess()
                                                   : Fail(wizard, "expected " + Utf8(step.text));
        case Step::Controls: {
            std::string all;
            for (const std::string& line : VisibleControls(wizard)) all += line + "\n";
            return all == Utf8(step.text) ? ::testing::AssertionSuccess()
                                          : ::testing::AssertionFailure() << "the window shows\n"
                                                                          << all;
        }
        case Step::Close:
            PostMessageW(wizard, WM_CLOSE, 0, 0);
            return ::testing::AssertionSuccess();
        case Step::Finish:
            if (!WaitForView(wizard, View::Done)) return Fail(wizard, "no closing page");
            PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(IDC_FINISH, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(wizard, IDC_FINISH)));
            return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure();
}

// Waits for the end of the run; a box that comes instead is recorded and answered.
std::optional<DWORD> AwaitEnd(Program& program, std::vector<ShownBox>& boxes) {
    for (int unexpected = 0; unexpected < 3; ++unexpected) {
        if (const auto code = program.WaitForExit(200)) return code;
        HWND window = nullptr;
        std::optional<ShownBox> box;
        PollUntil([&] { return program.WaitForExit(0) || (box = program.WaitForBox(0, &window)); });
        if (!box) return program.WaitForExit(0);
        boxes.push_back(*box);
        PostMessageW(window, WM_COMMAND, (box->style & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK, 0);
    }
    return std::nullopt;
}

}  // namespace

Step Type(int id, std::wstring text) {
    return {Step::Type, id, std::move(text)};
}
Step Press(int id) {
    return {Step::Press, id};
}
Step Check(int id) {
    return {Step::Check, id};
}
Step Choose(std::wstring profile) {
    return {Step::Choose, 0, std::move(profile)};
}
Step Answer(int button) {
    return {Step::Answer, button};
}
Step Await(View view) {
    return {.kind = Step::Await, .view = view};
}
Step Sees(std::string look) {
    return {Step::Look, 0, Wide(look)};
}
Step Shows(std::vector<std::string> controls) {
    std::string all;
    for (const std::string& control : controls) all += control + "\n";
    return {Step::Controls, 0, Wide(all)};
}
Step Close() {
    return {Step::Close};
}
Step Finish() {
    return {Step::Finish};
}

std::vector<Step> SignIn(std::wstring userName, std::wstring password) {
    return {Type(IDC_SIGNIN_USER, std::move(userName)),
            Type(IDC_SIGNIN_PASSWORD, std::move(password)), Press(IDC_SIGNIN_BUTTON)};
}

std::vector<Step> CreateAccount(std::wstring userName, std::wstring password,
                                std::wstring confirmation, std::wstring email) {
    return {Type(IDC_CREATE_USER, std::move(userName)),
            Type(IDC_CREATE_PASSWORD, std::move(password)),
            Type(IDC_CREATE_CONFIRM, std::move(confirmation)),
            Type(IDC_CREATE_EMAIL, std::move(email)), Press(IDC_CREATE_BUTTON)};
}

std::vector<Step> OpenCreatePage() {
    return {Press(IDC_CREATE_SELECTOR), Await(View::CreateAccount)};
}

std::vector<Step> operator+(std::vector<Step> a, Step b) {
    a.push_back(std::move(b));
    return a;
}

std::vector<Step> operator+(std::vector<Step> a, const std::vector<Step>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void PrintTo(const Run& run, std::ostream* out) {
    *out << run.name;
}
std::string RunName(const ::testing::TestParamInfo<Run>& info) {
    return info.param.name;
}

std::string Transcript(const std::vector<DebugLine>& lines) {
    std::string transcript;
    std::optional<Clock::time_point> last;
    for (const DebugLine& line : lines) {
        const auto token = Token(line.text);
        if (!token) continue;
        if (last) transcript += line.at - *last >= kPause ? " ~" : " ";
        transcript += *token;
        last = line.at;
    }
    return transcript;
}

std::string Times(const std::string& transcript, int count) {
    std::string result = transcript;
    for (int i = 1; i < count; ++i) result += " ~" + transcript;
    return result;
}

Outcome Play(const Run& run) {
    DeleteProductKey();
    for (const std::string& value : run.stored) StoreValue(value);
    if (run.readOnly) MakeProductKeysReadOnly();
    std::optional<LoopbackServer> service;
    if (run.listening) {
        service.emplace(run.replies, run.otherwise);
        EXPECT_TRUE(service->Listening()) << "the service's port is taken";
    }
    const std::vector<std::string> before = ProductValues();
    Outcome outcome;
    {
        Program program(run.arguments);
        EXPECT_TRUE(program.Started());
        std::vector<ShownBox> boxes;
        for (const Step& step : run.steps) {
            const auto done = Do(program, step, boxes);
            EXPECT_TRUE(done) << "step " << (&step - run.steps.data()) + 1;
            if (!done && step.kind != Step::Look && step.kind != Step::Controls) break;
        }
        EXPECT_EQ(AwaitEnd(program, boxes), run.exitCode);
        program.ExpectNoCrash();
        EXPECT_EQ(boxes, run.boxes);
        outcome.lines = program.Texts();
        const std::vector<std::string> first(
            outcome.lines.begin(),
            outcome.lines.begin() +
                static_cast<std::ptrdiff_t>(std::min(outcome.lines.size(), run.lines.size())));
        EXPECT_EQ(first, run.lines);
        if (run.transcript) {
            EXPECT_EQ(Transcript(program.Lines()), *run.transcript);
        }
    }
    if (service) outcome.requests = service->Requests();
    std::vector<std::string> sent;
    for (std::size_t i = 0; i < outcome.requests.size(); ++i) {
        const bool whole =
            i < run.requests.size() && run.requests[i].find('=') != std::string::npos;
        sent.push_back(whole ? Normalized(outcome.requests[i])
                             : outcome.requests[i].Field("action"));
    }
    if (!run.requestsVary) {
        EXPECT_EQ(sent, run.requests);
    }
    std::vector<std::string> written = run.written;
    std::sort(written.begin(), written.end());
    EXPECT_EQ(ChangedValues(before, ProductValues()), written);
    DeleteProductKey();
    return outcome;
}

ShownBox InputError(std::wstring text) {
    return {L"Tirna - Input error", std::move(text), MB_OK};
}

ShownBox NoConnectivity() {
    return {
        L"Tirna - Communication error.",
        L"There is no internet connectivity. Please make sure you have an internet connection up "
        L"and running and try again.",
        MB_OK | MB_ICONEXCLAMATION};
}

ShownBox ServerAccess() {
    return {L"Tirna - Communication error.",
            L"There was an error accessing Tirna parental server. Please try again later.",
            MB_OK | MB_ICONEXCLAMATION};
}

ShownBox SignInRefused() {
    return {
        L"Tirna - Signin error.",
        L"Invalid username or password. Please make sure you typed them correctly and try again.",
        MB_OK | MB_ICONEXCLAMATION};
}

ShownBox CloseQuestion() {
    return {
        L"Tirna warning",
        L"Closing the authentification window before signing in or creating an Tirna parent "
        L"account "
        L"will postpone the activation of Tirna on this computer. That means parental controls "
        L"will "
        L"not work for now on this computer untill you sign in. Are you sure you want to abort the "
        L"authentification of your device with Tirna? \n(you can activate Tirna at a latter time "
        L"on "
        L"this device)",
        MB_YESNO | MB_ICONEXCLAMATION};
}
