#include "app/startup.h"

#include <objbase.h>

#include <array>
#include <string>

#include "account/credential_check.h"
#include "app/app_state.h"
#include "app/command_line.h"
#include "app/main_window.h"
#include "app/settings_store.h"
#include "device/device_registration.h"
#include "net/debug_log.h"
#include "resources/resource.h"
#include "ui/drawing_resources.h"
#include "win/scoped.h"

HINSTANCE g_instance = nullptr;

namespace {

constexpr wchar_t kMutexName[] = L"Global\\TirnaUIAuth";
constexpr int kWindowWidth = 700;
constexpr int kWindowHeight = 420;
// WS_VISIBLE | WS_CAPTION | WS_SYSMENU and the low bit 0x0400 the wizard has always carried.
constexpr DWORD kWindowStyle = 0x10C80400;

// Strings 103 and 109 are loaded into buffers of 100 characters.
std::wstring LoadResourceString(HINSTANCE instance, UINT id) {
    std::array<wchar_t, 100> buffer{};
    LoadStringW(instance, id, buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
}

void InitializeCom() {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
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

void RegisterMainClass(HINSTANCE instance) {
    const std::wstring className = LoadResourceString(instance, IDS_CLASS_NAME);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TIRNA));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = g_draw.WhiteBrush;
    windowClass.lpszClassName = className.c_str();
    // There is no icon 108: the system then derives the small icon from icon 107.
    windowClass.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_TIRNA_SMALL));
    RegisterClassExW(&windowClass);
}

bool CreateMainWindow(HINSTANCE instance, int showCommand) {
    g_instance = instance;
    LoadSelectorBitmaps(instance);
    const std::wstring className = LoadResourceString(instance, IDS_CLASS_NAME);
    const std::wstring title = LoadResourceString(instance, IDS_TITLE);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kWindowHeight) / 2;
    HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME, className.c_str(), title.c_str(),
                                  kWindowStyle, x, y, kWindowWidth, kWindowHeight, nullptr,
                                  nullptr, instance, nullptr);
    g_app.mainWindow = window;
    if (window == nullptr) return false;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return true;
}

int RunTirnaUIAuth(HINSTANCE instance, const wchar_t* commandLine, int showCommand) {
    InitializeCom();
    if (AnotherCopyRuns()) {
        CoUninitialize();
        return 0;
    }
    UniqueHandle mutex(CreateMutexW(nullptr, FALSE, kMutexName));

    const std::wstring cut = CutCommandLine(commandLine != nullptr ? commandLine : L"");
    DebugLog(L"Started UI Auth with param:", cut);
    ApplySwitches(ReadSwitches(cut));

    if (!WizardNeeded()) {
        mutex.reset();
        CoUninitialize();
        return 0;
    }

    CreateDrawingResources();
    RegisterMainClass(instance);
    if (!CreateMainWindow(instance, showCommand)) return 0;

    const int exitCode = RunMessageLoop(instance);
    if (g_app.signInMode) WriteTempA(g_app.accountReady ? 1 : 0);
    mutex.reset();
    CoUninitialize();
    return exitCode;
}
