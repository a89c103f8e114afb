// The program under a debugger loop, and its windows as another process sees them.

#include <algorithm>
#include <array>
#include <cstdio>
#include <utility>

#include "core/control_ids.h"
#include "tests/blackbox/harness.h"

namespace {

// Exceptions that only a fault raises: access violation, array bounds, illegal
// instruction, division by zero, stack overflow, a C++ exception thrown by
// mingw-w64's runtime, heap corruption, a stack buffer overrun.
constexpr DWORD kFaultCodes[] = {0xC0000005, 0xC000008C, 0xC000001D, 0xC0000094,
                                 0xC00000FD, 0x20474343, 0xC0000374, 0xC0000409};
constexpr int kBoxTextId = 0xFFFF, kBoxIconId = 0x0440;  // in Wine's message boxes

HWND FindWindowOf(DWORD processId, const wchar_t* className) {
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, className, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == processId && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

bool Shown(HWND control) {
    return control != nullptr && (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

// The icon of a box, told by its pixels on the screen against the system's icons
// drawn here: icon handles mean nothing in another process.
UINT IconOf(HWND box) {
    const HWND icon = GetDlgItem(box, kBoxIconId);
    RECT place{}, text{};
    GetWindowRect(icon, &place);
    GetWindowRect(GetDlgItem(box, kBoxTextId), &text);
    if (!Shown(icon) || text.left < place.right) return 0;  // the text takes its place
    const HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateCompatibleBitmap(screen, 32, 32);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    const auto differing = [&](HDC dc, int x, int y) {
        int count = 0;
        for (int i = 0; i < 32 * 32; ++i) {
            count += GetPixel(dc, x + i % 32, y + i / 32) !=
                     GetPixel(screen, place.left + i % 32, place.top + i / 32);
        }
        return count;
    };
    UINT found = MB_ICONMASK;
    PollUntil(  // until the box has painted it
        [&] {
            for (const auto& [system, style] : {std::pair{IDI_HAND, MB_ICONHAND},
                                                {IDI_QUESTION, MB_ICONQUESTION},
                                                {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                                                {IDI_ASTERISK, MB_ICONASTERISK}}) {
                const HBRUSH ground = CreateSolidBrush(GetPixel(screen, place.left, place.top));
                const RECT all{0, 0, 32, 32};
                FillRect(memory, &all, ground);
                DeleteObject(ground);
                DrawIconEx(memory, 0, 0, LoadIconW(nullptr, system), 32, 32, 0, nullptr, DI_NORMAL);
                if (differing(memory, 0, 0) < 16) found = style;
            }
            return found != MB_ICONMASK;
        },
        2000);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return found;
}

View CurrentView(HWND wizard) {
    for (const auto& [id, view] : {std::pair{IDC_FINISH, View::Done},
                                   {IDC_NEXT, View::Profile},
                                   {IDC_CREATE_USER, View::CreateAccount},
                                   {IDC_SIGNIN_USER, View::SignIn}}) {
        if (Shown(GetDlgItem(wizard, id))) return view;
    }
    return View::None;
}

}  // namespace

LRESULT SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 10000, &result);
    return static_cast<LRESULT>(result);
}

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
         << box.style << std::dec << (box.owned ? "" : " not owned by the wizard");
}

Program::Program(const std::wstring& arguments) {
    std::array<wchar_t, MAX_PATH> path{};
    GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring commandLine(path.data());
    commandLine =
        L"\"" + commandLine.substr(0, commandLine.find_last_of(L"\\/") + 1) + L"TirnaUIAuth.exe\"";
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
    thread_.join();
    if (process_ != nullptr) CloseHandle(process_);
}

void Program::Loop(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    // Under a loaded Wine a start now and then fails before the program runs at
    // all; that says nothing about the program.
    BOOL ok = FALSE;
    for (int attempt = 0; attempt < 3 && !ok; ++attempt) {
        ok = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                            DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &info);
        if (!ok) std::fprintf(stderr, "start of the program failed: error %lu\n", GetLastError());
        if (!ok) Sleep(500);
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
        const DWORD code = event.u.Exception.ExceptionRecord.ExceptionCode;
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
            case EXCEPTION_DEBUG_EVENT:  // only the loader's first breakpoint is the debugger's
                if (code == EXCEPTION_BREAKPOINT && !std::exchange(firstBreakSeen_, true)) break;
                status = DBG_EXCEPTION_NOT_HANDLED;
                exceptions_.emplace_back(code, event.u.Exception.dwFirstChance != 0);
                break;
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
    const bool ended =
        changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return exited_; });
    return ended && started_ ? std::optional(exitCode_) : std::nullopt;
}

std::vector<DebugLine> Program::Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
}

Strings Program::Texts() {
    Strings texts;
    for (DebugLine& line : Lines()) texts.push_back(std::move(line.text));
    return texts;
}

void Program::ExpectNoCrash() {
    std::lock_guard lock(mutex_);
    for (const auto& [code, firstChance] : exceptions_) {
        // On Windows its own libraries raise faults and handle them at once: there only one
        // that nothing handled counts. Under Wine every one counts.
        const bool fault = std::ranges::find(kFaultCodes, code) != std::end(kFaultCodes);
        EXPECT_TRUE(firstChance && (!fault || !UnderWine())) << "exception 0x" << std::hex << code;
    }
    for (const DebugLine& line : lines_) {
        EXPECT_TRUE(line.text.starts_with("[TirnaParental] ") && line.text.size() <= 1023)
            << line.text;
    }
}

HWND Program::Wizard(DWORD timeoutMs) {
    PollUntil([&] { return wizard_ || (wizard_ = FindWindowOf(processId_, L"TIRNAUIAUTH")); },
              timeoutMs);
    return wizard_;
}

std::optional<HWND> Program::OpenBox() {
    const HWND box = FindWindowOf(processId_, L"#32770");
    return box ? std::optional(box) : std::nullopt;
}

std::optional<ShownBox> Program::WaitForBox(HWND* window) {
    std::optional<HWND> box;
    if (!PollUntil([&] { return (box = OpenBox()).has_value(); })) return std::nullopt;
    if (window != nullptr) *window = *box;
    const UINT buttons = GetDlgItem(*box, IDYES)      ? MB_YESNO
                         : GetDlgItem(*box, IDCANCEL) ? MB_OKCANCEL
                                                      : MB_OK;
    // Only Wine's boxes are known here: their icon control's id and their pictures.
    return ShownBox{TextOf(*box), TextOf(GetDlgItem(*box, kBoxTextId)),
                    buttons | (UnderWine() ? IconOf(*box) : 0),
                    GetWindow(*box, GW_OWNER) == wizard_};
}

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<std::size_t>(SendTo(control, WM_GETTEXTLENGTH)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        SendTo(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

bool TypeInto(HWND control, const std::wstring& text) {
    return SendTo(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())) == TRUE;
}

bool WaitForView(HWND wizard, View view) {
    DWORD processId = 0;
    GetWindowThreadProcessId(wizard, &processId);
    const auto reached = [&] { return IsWindow(wizard) && CurrentView(wizard) == view; };
    PollUntil([&] { return !IsWindow(wizard) || reached() || FindWindowOf(processId, L"#32770"); });
    return reached() && !FindWindowOf(processId, L"#32770");
}

std::string Look(HWND wizard) {
    const auto state = [wizard](const char* name, int id, bool checks) {
        const HWND control = GetDlgItem(wizard, id);
        const std::string value =
            checks ? (SendTo(control, BM_GETCHECK) ? "on" : "off") : Utf8(TextOf(control));
        return std::string(" ") + name + "=" + value +
               (IsWindowEnabled(control) ? "" : "(disabled)");
    };
    const HWND list = FindWindowExW(wizard, nullptr, L"ComboBox", nullptr);
    std::string names;
    for (LRESULT i = 0, count = SendTo(list, CB_GETCOUNT); i < count; ++i) {
        std::wstring name(static_cast<std::size_t>(SendTo(list, CB_GETLBTEXTLEN, i)) + 1, L'\0');
        name.resize(static_cast<std::size_t>(
            SendTo(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name.data()))));
        names += (i ? "|" : "") + Utf8(name);
    }
    switch (CurrentView(wizard)) {
        case View::SignIn:
            return "sign-in" + state("user", IDC_SIGNIN_USER, false) +
                   state("password", IDC_SIGNIN_PASSWORD, false) +
                   (GetDlgItem(wizard, IDC_CREATE_SELECTOR) ? "" : " no-create-selector");
        case View::CreateAccount:
            return "create" + state("user", IDC_CREATE_USER, false) +
                   state("password", IDC_CREATE_PASSWORD, false) +
                   state("confirm", IDC_CREATE_CONFIRM, false) +
                   state("email", IDC_CREATE_EMAIL, false);
        case View::Profile:
            return "profile [" + names + (IsWindowEnabled(list) ? "]" : "](disabled)") +
                   " picked=" + std::to_string(SendTo(list, CB_GETCURSEL)) +
                   state("existing", IDC_PROFILE_EXISTING, true) +
                   state("new", IDC_PROFILE_NEW, true) + state("name", IDC_PROFILE_NAME, false);
        case View::Done:
            return Shown(GetDlgItem(wizard, IDC_OPEN_ACCOUNT))
                       ? "done" + state("account-box", IDC_OPEN_ACCOUNT, true)
                       : "done";
        case View::None:
            break;
    }
    return "no page";
}

Strings VisibleControls(HWND wizard) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof(thread);
    GetGUIThreadInfo(GetWindowThreadProcessId(wizard, nullptr), &thread);
    Strings lines;
    for (HWND child = GetWindow(wizard, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!Shown(child)) continue;
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, wizard, reinterpret_cast<POINT*>(&rect), 2);
        std::array<char, 64> place{};
        std::snprintf(place.data(), place.size(), "\" %ld,%ld %ldx%ld %08lx", rect.left, rect.top,
                      rect.right - rect.left, rect.bottom - rect.top,
                      static_cast<unsigned long>(GetWindowLongPtrW(child, GWL_STYLE)));
        std::array<wchar_t, 64> type{};
        GetClassNameW(child, type.data(), static_cast<int>(type.size()));
        lines.push_back(Utf8(type.data()) + " " + std::to_string(GetDlgCtrlID(child)) + " \"" +
                        Utf8(TextOf(child)) + place.data() +
                        (child == thread.hwndFocus ? " focused" : ""));
    }
    return lines;
}
