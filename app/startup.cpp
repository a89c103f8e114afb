#include "app/startup.h"

#include <array>
#include <string>

#include "account/credential_check.h"
#include "app/main_window.h"
#include "core/app_state.h"
#include "core/command_line.h"
#include "device/device_registration.h"
#include "resources/resource.h"
#include "ui/drawing_resources.h"
#include "win/com.h"
#include "win/debug_log.h"
#include "win/module.h"
#include "win/scoped.h"
#include "win/settings_store.h"

namespace {

constexpr wchar_t kMutexName[] = L"Global\\TirnaUIAuth";
constexpr int kWindowWidth = 700;
constexpr int kWindowHeight = 420;

// The window's title (string 103) and class name (string 109), loaded once.
std::wstring g_title;
std::wstring g_className;

// Strings 103 and 109 are loaded into buffers of 100 characters.
std::wstring LoadResourceString(HINSTANCE instance, UINT id) {
    std::array<wchar_t, 100> buffer{};
    LoadStringW(instance, id, buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
}

// Another copy holds the machine-wide mutex: it is not waited on, only probed.
bool AnotherCopyRuns() {
    UniqueHandle other(OpenMutexW(SYNCHRONIZE, FALSE, kMutexName));
    return other != nullptr;
}

void ApplySwitches(const RunSwitches& switches) {
    if (switches.signIn) {
        g_app.page = PageSignIn;
        g_app.signInMode = true;
        WriteTempA(0);
    }
    if (switches.installer) {
        g_app.installerMode = true;
    }
}

// True when the wizard is needed: always in installer and sign-in mode; at an
// ordinary start only when the stored credentials were not accepted.
bool WizardNeeded() {
    if (g_app.installerMode) {
        WriteRegSucceeded(0);
        RegisterDevice();
        return true;
    }
    if (g_app.signInMode) return true;
    return !CheckDeviceAuthorization();
}

int RunMessageLoop(HINSTANCE instance) {
    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDC_ACCELERATORS));
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0)) {
        if (TranslateAcceleratorW(message.hwnd, accelerators, &message)) continue;
        if (IsDialogMessageW(g_app.mainWindow, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace

void LoadWindowStrings(HINSTANCE instance) {
    g_title = LoadResourceString(instance, IDS_TITLE);
    g_className = LoadResourceString(instance, IDS_CLASS_NAME);
}

void RegisterMainClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TIRNA));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = g_draw.WhiteBrush;
    windowClass.lpszClassName = g_className.c_str();
    // There is no icon 108: the system then derives the small icon from icon 107.
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TIRNA_SMALL));
    RegisterClassExW(&windowClass);
}

bool CreateMainWindow(HINSTANCE instance, int showCommand) {
    g_instance = instance;
    LoadSelectorBitmaps(instance);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
    // The window procedure records the window in AppState when it is created.
    HWND window =
        CreateWindowExW(WS_EX_DLGMODALFRAME, g_className.c_str(), g_title.c_str(), kMainWindowStyle,
                        x, y, kWindowWidth, kWindowHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return false;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return true;
}

int RunTirnaUIAuth(HINSTANCE instance, const wchar_t* commandLine, int showCommand) {
    // Declared first, so that COM is uninitialised last, after the mutex is closed.
    ComApartment com;
    if (AnotherCopyRuns()) return 0;
    const UniqueHandle mutex(CreateMutexW(nullptr, FALSE, kMutexName));

    const std::wstring cut = CutCommandLine(commandLine != nullptr ? commandLine : L"");
    DebugLog(L"Started UI Auth with param:", cut);
    ApplySwitches(ReadSwitches(cut));
    if (!WizardNeeded()) return 0;

    LoadWindowStrings(instance);
    CreateDrawingResources();
    RegisterMainClass(instance);
    if (!CreateMainWindow(instance, showCommand)) {
        // Only the mutex is closed here. The failed creation may have run part of the
        // window procedure, and whatever it left in the apartment is not torn down
        // under it: the process ends now, and COM with it.
        com.LeaveToProcessEnd();
        return 0;
    }

    const int exitCode = RunMessageLoop(instance);
    if (g_app.signInMode) WriteTempA(g_app.accountReady ? 1 : 0);
    return exitCode;
}
