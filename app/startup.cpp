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
#include "ui/paint_wizard.h"
#include "win/com.h"
#include "win/debug_log.h"
#include "win/module.h"
#include "win/scoped.h"
#include "win/settings_store.h"

namespace {

constexpr wchar_t kMutexName[] = L"Global\\TirnaUIAuth";

// Told of each step on the way to the painted window as it ends; none in the program.
StepDone g_stepDone = nullptr;

void Done(const wchar_t* step) {
    if (g_stepDone != nullptr) g_stepDone(step);
}

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

// An installer run's work before its window: "RegSucceeded" back to 0 (a sign-in
// or an account creation sets it again), then the device registered once; the
// registration's outcome is not used.
void ResetLinkAndRegisterDevice() {
    WriteRegSucceeded(0);
    RegisterDevice();
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
    Done(L"load_bitmaps");
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWizardWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kWizardHeight) / 2;
    // The window procedure records the window in AppState when it is created.
    HWND window =
        CreateWindowExW(WS_EX_DLGMODALFRAME, g_className.c_str(), g_title.c_str(), kMainWindowStyle,
                        x, y, kWizardWidth, kWizardHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return false;
    Done(L"create_window_and_controls");
    ShowWindow(window, showCommand);
    Done(L"show_window");
    UpdateWindow(window);
    Done(L"update_window");
    return true;
}

int RunTirnaUIAuth(HINSTANCE instance, const wchar_t* commandLine, int showCommand,
                   StepDone stepDone) {
    g_stepDone = stepDone;
    // Declared first, so that COM is uninitialised last, after the mutex is closed.
    ComApartment com;
    Done(L"com");
    if (AnotherCopyRuns()) return 0;
    const UniqueHandle mutex(CreateMutexW(nullptr, FALSE, kMutexName));

    const std::wstring cut = CutCommandLine(commandLine != nullptr ? commandLine : L"");
    DebugLog(L"Started UI Auth with param:", cut);
    ApplySwitches(ReadSwitches(cut));
    // Before any window, by the run's mode; a sign-in run opens the wizard at once.
    if (g_app.installerMode) {
        ResetLinkAndRegisterDevice();
    } else if (!g_app.signInMode && CheckDeviceAuthorization()) {
        return 0;  // an ordinary start whose stored credentials the service accepted
    }
    Done(L"mutex_log_tempa");

    LoadWindowStrings(instance);
    Done(L"window_strings");
    CreateDrawingResources();
    Done(L"drawing_resources");
    RegisterMainClass(instance);
    Done(L"register_class");
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
