#pragma once
// The wizard window's procedure: commands to the page handlers, painting, the
// focus across activations, and closing.

#include <windows.h>

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
