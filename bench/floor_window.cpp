// Floor of the wizard's start: registers a class and shows the floor window.
// Built a second time with FLOOR_WINDOW_POST, it first posts the body on its
// command line, as an installer run registers the device before its window.

#include <windows.h>

#include "bench/floor_window.h"
#ifdef FLOOR_WINDOW_POST
#include "bench/floor_request.h"
#endif

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int showCommand) {
#ifdef FLOOR_WINDOW_POST
    PostFormOnce(commandLine != nullptr ? commandLine : L"");
#else
    (void)commandLine;
#endif
    RegisterFloorClass(instance);
    const HWND window = CreateFloorWindow(instance);
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
