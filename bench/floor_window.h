#pragma once
// The floor window: a class and a 700 x 420 window of the wizard's kind whose light
// grey left panel is what the measuring program waits for. Header-only, so that
// the floor programs import nothing but what a window needs.

#include <windows.h>

inline constexpr int kFloorWidth = 700;
inline constexpr int kFloorHeight = 420;
inline constexpr wchar_t kFloorClassName[] = L"TIRNABENCHFLOOR";

// Made with the class. A plain global: a function-local static would bring in the
// C++ runtime's guarded initialisation and make the floor several times larger.
inline HBRUSH g_floorPanelBrush = nullptr;

// The window procedure: the panel painted, the message loop ended with the window.
inline LRESULT CALLBACK FloorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            const HDC dc = BeginPaint(window, &paint);
            const RECT panel{0, 0, 160, kFloorHeight};
            FillRect(dc, &panel, g_floorPanelBrush);
            EndPaint(window, &paint);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

inline void RegisterFloorClass(HINSTANCE instance) {
    g_floorPanelBrush = CreateSolidBrush(RGB(220, 220, 220));
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = FloorWindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kFloorClassName;
    RegisterClassExW(&windowClass);
}

// A top-level window of the wizard's size and frame, centred on the screen.
inline HWND CreateCentredWindow(HINSTANCE instance, const wchar_t* className, const wchar_t* title,
                                DWORD style) {
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kFloorWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kFloorHeight) / 2;
    return CreateWindowExW(WS_EX_DLGMODALFRAME, className, title, style, x, y, kFloorWidth,
                           kFloorHeight, nullptr, nullptr, instance, nullptr);
}

inline HWND CreateFloorWindow(HINSTANCE instance) {
    return CreateCentredWindow(instance, kFloorClassName, L"Floor window",
                               WS_VISIBLE | WS_CAPTION | WS_SYSMENU);
}
