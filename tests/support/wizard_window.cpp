#include "tests/support/wizard_window.h"

#include <array>

#include "app/app_state.h"
#include "app/startup.h"
#include "ui/drawing_resources.h"

void PrepareDrawing() {
    static const bool prepared = [] {
        g_instance = GetModuleHandleW(nullptr);
        CreateDrawingResources();
        LoadSelectorBitmaps(g_instance);
        return true;
    }();
    (void)prepared;
}

HWND OpenWizard(WizardMode mode) {
    PrepareDrawing();
    g_app = AppState{};
    g_app.signInMode = mode.signIn;
    g_app.installerMode = mode.installer;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterMainClass(instance);  // a second registration fails harmlessly
    if (!CreateMainWindow(instance, SW_SHOW)) return nullptr;
    PumpMessages();
    return g_app.mainWindow;
}

void CloseWizard() {
    if (IsWindow(g_app.mainWindow)) DestroyWindow(g_app.mainWindow);
    PumpMessages();
}

std::optional<WPARAM> PumpMessages() {
    std::optional<WPARAM> quit;
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = message.wParam;
            continue;
        }
        if (IsWindow(g_app.mainWindow) && IsDialogMessageW(g_app.mainWindow, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return quit;
}

HWND WizardControl(int id) {
    return GetDlgItem(g_app.mainWindow, id);
}

RECT ClientRectOf(HWND control) {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, g_app.mainWindow, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

LONG_PTR StyleOf(HWND control) {
    return GetWindowLongPtrW(control, GWL_STYLE);
}

bool IsShown(HWND control) {
    return (StyleOf(control) & WS_VISIBLE) != 0;
}

std::wstring ClassOf(HWND control) {
    std::array<wchar_t, 64> name{};
    GetClassNameW(control, name.data(), static_cast<int>(name.size()));
    return name.data();
}

std::wstring TextOf(HWND control) {
    std::array<wchar_t, 1024> text{};
    GetWindowTextW(control, text.data(), static_cast<int>(text.size()));
    return text.data();
}

HWND PressTab() {
    MSG tab{};
    tab.hwnd = GetFocus();
    tab.message = WM_KEYDOWN;
    tab.wParam = VK_TAB;
    tab.lParam = 1;
    IsDialogMessageW(g_app.mainWindow, &tab);
    PumpMessages();
    return GetFocus();
}
