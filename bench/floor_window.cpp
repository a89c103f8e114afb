// Floor of the wizard's start: registers a class and shows a 700 x 420 window of
// the same kind whose light grey left panel is what the measuring program waits
// for. Built a second time with FLOOR_WINDOW_POST, it first posts the body on its
// command line, as an installer run registers the device before its window.

#include <windows.h>

#ifdef FLOOR_WINDOW_POST
#include "bench/floor_request.h"
#endif

namespace {

constexpr int kWidth = 700;
constexpr int kHeight = 420;
constexpr wchar_t kClassName[] = L"TIRNABENCHFLOOR";
HBRUSH g_panelBrush = nullptr;

void Paint(HWND window) {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(window, &paint);
    const RECT panel{0, 0, 160, kHeight};
    FillRect(dc, &panel, g_panelBrush);
    EndPaint(window, &paint);
}

LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
#ifdef FLOOR_WINDOW_POST
    PostFormOnce(commandLine != nullptr ? commandLine : L"");
#else
    (void)commandLine;
#endif
    g_panelBrush = CreateSolidBrush(RGB(220, 220, 220));
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = FloorWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass);

    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    const HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, L"Floor window",
                                        WS_VISIBLE | WS_CAPTION | WS_SYSMENU, x, y, kWidth, kHeight,
                                        nullptr, nullptr, instance, nullptr);
    if (window == nullptr) return 1;
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
