// The program under a debugger loop, and its windows as another process sees them.

#include <array>
#include <cstdio>
#include <cstring>

#include "tests/blackbox/harness.h"
#include "ui/controls.h"

namespace {

// The status that mingw-w64's C++ runtime raises for a thrown exception, and two
// that the runtime raises for corrupted memory.
constexpr DWORD kFaultCodes[] = {EXCEPTION_ACCESS_VIOLATION,
                                 EXCEPTION_ARRAY_BOUNDS_EXCEEDED,
                                 EXCEPTION_DATATYPE_MISALIGNMENT,
                                 EXCEPTION_ILLEGAL_INSTRUCTION,
                                 EXCEPTION_INT_DIVIDE_BY_ZERO,
                                 EXCEPTION_INT_OVERFLOW,
                                 EXCEPTION_PRIV_INSTRUCTION,
                                 EXCEPTION_STACK_OVERFLOW,
                                 0x20474343,
                                 0xC0000374,
                                 0xC0000409};
constexpr int kBoxTextId = 0xFFFF;
// The icon of a message box: stc1 in Wine's boxes, 0x14 in Windows'.
constexpr int kBoxIconIds[] = {0x0440, 0x0014};
constexpr UINT kReplyMs = 10000;

std::wstring ClassOf(HWND window) {
    std::array<wchar_t, 64> name{};
    GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    return name.data();
}

// The first visible top-level window of the process with this class.
HWND FindWindowOf(DWORD processId, const wchar_t* className) {
    struct Search {
        DWORD processId;
        const wchar_t* className;
        HWND found = nullptr;
    } search{processId, className};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->processId || !IsWindowVisible(window) ||
                ClassOf(window) != s->className) {
                return TRUE;
            }
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

LRESULT SendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kReplyMs, &result);
    return static_cast<LRESULT>(result);
}

bool Shown(HWND control) {
    return control != nullptr && (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

UINT ButtonsOf(HWND box) {
    const auto has = [box](int id) { return GetDlgItem(box, id) != nullptr; };
    if (has(IDYES) && has(IDNO)) return has(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
    return has(IDCANCEL) ? MB_OKCANCEL : MB_OK;
}

// A 32 x 32 picture, top-down, 0x00RRGGBB.
using Picture = std::array<std::uint32_t, 32 * 32>;

template <typename Draw>
Picture Paint(Draw draw) {
    Picture picture{};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 32;
    info.bmiHeader.biHeight = -32;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    draw(memory, screen);
    GdiFlush();
    std::memcpy(picture.data(), bits, sizeof(picture));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

// The icon a box shows, told by its pixels on the screen against the system's
// icons drawn here: icon handles mean nothing in another process.
UINT IconOf(HWND box) {
    HWND icon = nullptr;
    for (const int id : kBoxIconIds) icon = icon ? icon : GetDlgItem(box, id);
    RECT rect{}, text{};
    GetWindowRect(icon, &rect);
    GetWindowRect(GetDlgItem(box, kBoxTextId), &text);
    // Without an icon the text takes its place.
    if (!Shown(icon) || text.left < rect.right) return 0;
    const struct {
        LPCWSTR icon;
        UINT style;
    } kinds[] = {{IDI_HAND, MB_ICONHAND},
                 {IDI_QUESTION, MB_ICONQUESTION},
                 {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                 {IDI_ASTERISK, MB_ICONASTERISK}};
    UINT best = MB_ICONMASK;
    // The box may not have painted its icon yet.
    PollUntil(
        [&] {
            const Picture shown = Paint([&](HDC memory, HDC screen) {
                BitBlt(memory, 0, 0, 32, 32, screen, rect.left, rect.top, SRCCOPY);
            });
            for (const auto& kind : kinds) {
                const Picture drawn = Paint([&](HDC memory, HDC) {
                    const HBRUSH ground = CreateSolidBrush(shown[0] & 0xFFFFFF);
                    const RECT all{0, 0, 32, 32};
                    FillRect(memory, &all, ground);
                    DeleteObject(ground);
                    DrawIconEx(memory, 0, 0, LoadIconW(nullptr, kind.icon), 32, 32, 0, nullptr,
                               DI_NORMAL);
                });
                int differing = 0;
                for (std::size_t i = 0; i < shown.size(); ++i) {
                    differing += (shown[i] & 0xFFFFFF) != (drawn[i] & 0xFFFFFF);
                }
                if (differing < 16) best = kind.style;
            }
            return best != MB_ICONMASK;
        },
        2000);
    return best;
}

}  // namespace

std::string Utf8(std::wstring_view text) {
    std::string out(text.size() * 3, '\0');
    out.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                            static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

std::wstring Wide(std::string_view utf8) {
    std::wstring out(utf8.size(), L'\0');
    out.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                            static_cast<int>(out.size()))));
    return out;
}

void PrintTo(const ShownBox& box, std::ostream* out) {
    *out << "\"" << Utf8(box.title) << "\": \"" << Utf8(box.text) << "\" style 0x" << std::hex
         << box.style << std::dec << (box.owned ? "" : " (not owned by the wizard)");
}

Program::Program(const std::wstring& arguments) {
    std::array<wchar_t, MAX_PATH> path{};
    GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring exe(path.data());
    exe.resize(exe.find_last_of(L"\\/") + 1);
    std::wstring commandLine = L"\"" + exe + L"TirnaUIAuth.exe\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    // A debugger waits for events on the thread that started the process.
    thread_ = std::thread([this, commandLine] { Loop(commandLine); });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return startDone_; });
}

Program::~Program() {
    {
        std::lock_guard lock(mutex_);
        if (started_ && !exited_) TerminateProcess(process_, 255);
    }
    if (thread_.joinable()) thread_.join();
    if (process_ != nullptr) CloseHandle(process_);
}

bool Program::Started() {
    std::lock_guard lock(mutex_);
    return started_;
}

void Program::Loop(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    // Under a loaded Wine a start now and then fails before the program runs at all:
    // that says nothing about the program.
    BOOL ok = FALSE;
    for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
        ok = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                            DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &info);
        if (!ok) {
            std::fprintf(stderr, "start of the program failed: error %lu\n", GetLastError());
            Sleep(500);
        }
    }
    {
        std::lock_guard lock(mutex_);
        startDone_ = true;
        started_ = ok;
        exited_ = !ok;
        processId_ = info.dwProcessId;
        process_ = info.hProcess;
    }
    changed_.notify_all();
    if (!ok) return;
    CloseHandle(info.hThread);
    for (DEBUG_EVENT event{}; WaitForDebugEvent(&event, INFINITE);) {
        DWORD status = DBG_CONTINUE;
        std::unique_lock lock(mutex_);
        switch (event.dwDebugEventCode) {
            case OUTPUT_DEBUG_STRING_EVENT: {
                std::string line(event.u.DebugString.nDebugStringLength, '\0');
                SIZE_T read = 0;
                ReadProcessMemory(process_, event.u.DebugString.lpDebugStringData, line.data(),
                                  line.size(), &read);
                line.resize(std::min<std::size_t>(read, line.find('\0')));
                lines_.push_back({std::move(line), Clock::now()});
                break;
            }
            case EXCEPTION_DEBUG_EVENT: {
                // Only the loader's first breakpoint is the debugger's.
                const DWORD code = event.u.Exception.ExceptionRecord.ExceptionCode;
                if (code == EXCEPTION_BREAKPOINT && !firstBreakSeen_) {
                    firstBreakSeen_ = true;
                    break;
                }
                status = DBG_EXCEPTION_NOT_HANDLED;
                exceptions_.emplace_back(code, event.u.Exception.dwFirstChance != 0);
                break;
            }
            case CREATE_PROCESS_DEBUG_EVENT:
                CloseHandle(event.u.CreateProcessInfo.hFile);
                break;
            case LOAD_DLL_DEBUG_EVENT:
                CloseHandle(event.u.LoadDll.hFile);
                break;
            case EXIT_PROCESS_DEBUG_EVENT:
                exitCode_ = event.u.ExitProcess.dwExitCode;
                exited_ = true;
                break;
        }
        lock.unlock();
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, status);
        changed_.notify_all();
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) break;
    }
}

std::optional<DWORD> Program::WaitForExit(DWORD timeoutMs) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return exited_; }) ||
        !started_) {
        return std::nullopt;
    }
    return exitCode_;
}

std::vector<DebugLine> Program::Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
}

std::vector<std::string> Program::Texts() {
    std::vector<std::string> texts;
    for (DebugLine& line : Lines()) texts.push_back(std::move(line.text));
    return texts;
}

void Program::ExpectNoCrash() {
    std::lock_guard lock(mutex_);
    for (const auto& [code, firstChance] : exceptions_) {
        const bool fault = std::find(std::begin(kFaultCodes), std::end(kFaultCodes), code) !=
                           std::end(kFaultCodes);
        EXPECT_TRUE(firstChance && !fault) << "exception 0x" << std::hex << code;
    }
    for (const DebugLine& line : lines_) {
        EXPECT_EQ(line.text.rfind("[TirnaParental] ", 0), 0u) << line.text.substr(0, 200);
        EXPECT_LE(line.text.size(), 1023u) << line.text.substr(0, 200);
    }
}

HWND Program::Wizard(DWORD timeoutMs) {
    if (wizard_ != nullptr) return wizard_;
    PollUntil([&] { return (wizard_ = FindWindowOf(processId_, L"TIRNAUIAUTH")) != nullptr; },
              timeoutMs);
    return wizard_;
}

std::optional<HWND> Program::OpenBox() {
    const HWND box = FindWindowOf(processId_, L"#32770");
    return box ? std::optional(box) : std::nullopt;
}

std::optional<ShownBox> Program::WaitForBox(DWORD timeoutMs, HWND* window) {
    std::optional<HWND> box;
    if (!PollUntil([&] { return (box = OpenBox()).has_value(); }, timeoutMs)) return std::nullopt;
    if (window != nullptr) *window = *box;
    return ShownBox{TextOf(*box), TextOf(GetDlgItem(*box, kBoxTextId)),
                    ButtonsOf(*box) | IconOf(*box), GetWindow(*box, GW_OWNER) == wizard_};
}

std::wstring TextOf(HWND control) {
    const auto length = SendTo(control, WM_GETTEXTLENGTH);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendTo(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

bool TypeInto(HWND control, const std::wstring& text) {
    return SendTo(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) == TRUE;
}

View CurrentView(HWND wizard) {
    if (Shown(GetDlgItem(wizard, IDC_FINISH))) return View::Done;
    if (Shown(GetDlgItem(wizard, IDC_NEXT))) return View::Profile;
    if (Shown(GetDlgItem(wizard, IDC_CREATE_USER))) return View::CreateAccount;
    if (Shown(GetDlgItem(wizard, IDC_SIGNIN_USER))) return View::SignIn;
    return View::None;
}

bool WaitForView(HWND wizard, View view) {
    DWORD processId = 0;
    GetWindowThreadProcessId(wizard, &processId);
    PollUntil([&] {
        return !IsWindow(wizard) || CurrentView(wizard) == view ||
               FindWindowOf(processId, L"#32770") != nullptr;
    });
    return IsWindow(wizard) && CurrentView(wizard) == view &&
           FindWindowOf(processId, L"#32770") == nullptr;
}

std::string Look(HWND wizard) {
    const auto field = [wizard](const char* name, int id) {
        const HWND control = GetDlgItem(wizard, id);
        std::string text = std::string(" ") + name + "=" + Utf8(TextOf(control));
        return IsWindowEnabled(control) ? text : text + "(disabled)";
    };
    const auto radio = [wizard](const char* name, int id) {
        const HWND control = GetDlgItem(wizard, id);
        std::string text =
            std::string(" ") + name + (SendTo(control, BM_GETCHECK) ? "=on" : "=off");
        return IsWindowEnabled(control) ? text : text + "(disabled)";
    };
    switch (CurrentView(wizard)) {
        case View::SignIn:
            return "sign-in" + field("user", IDC_SIGNIN_USER) +
                   field("password", IDC_SIGNIN_PASSWORD) +
                   (GetDlgItem(wizard, IDC_CREATE_SELECTOR) ? "" : " no-create-selector");
        case View::CreateAccount:
            return "create" + field("user", IDC_CREATE_USER) +
                   field("password", IDC_CREATE_PASSWORD) + field("confirm", IDC_CREATE_CONFIRM) +
                   field("email", IDC_CREATE_EMAIL);
        case View::Profile: {
            const HWND list = FindWindowExW(wizard, nullptr, L"ComboBox", nullptr);
            std::string look = "profile [";
            const LRESULT count = SendTo(list, CB_GETCOUNT);
            for (LRESULT i = 0; i < count; ++i) {
                std::wstring name(static_cast<std::size_t>(SendTo(list, CB_GETLBTEXTLEN, i)) + 1,
                                  L'\0');
                name.resize(static_cast<std::size_t>(
                    SendTo(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name.data()))));
                look += (i ? "|" : "") + Utf8(name);
            }
            return look + (IsWindowEnabled(list) ? "]" : "](disabled)") +
                   " picked=" + std::to_string(SendTo(list, CB_GETCURSEL)) +
                   radio("existing", IDC_PROFILE_EXISTING) + radio("new", IDC_PROFILE_NEW) +
                   field("name", IDC_PROFILE_NAME);
        }
        case View::Done:
            return Shown(GetDlgItem(wizard, IDC_OPEN_ACCOUNT))
                       ? "done" + radio("account-box", IDC_OPEN_ACCOUNT)
                       : "done";
        case View::None:
            break;
    }
    return "no page";
}

std::vector<std::string> VisibleControls(HWND wizard) {
    std::vector<std::string> lines;
    for (HWND child = GetWindow(wizard, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!Shown(child)) continue;
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, wizard, reinterpret_cast<POINT*>(&rect), 2);
        std::array<char, 96> place{};
        std::snprintf(place.data(), place.size(), " %ld,%ld %ldx%ld %08lx", rect.left, rect.top,
                      rect.right - rect.left, rect.bottom - rect.top,
                      static_cast<unsigned long>(GetWindowLongPtrW(child, GWL_STYLE)));
        lines.push_back(Utf8(ClassOf(child)) + " " + std::to_string(GetDlgCtrlID(child)) + " \"" +
                        Utf8(TextOf(child)) + "\"" + place.data());
    }
    return lines;
}
