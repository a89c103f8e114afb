#pragma once
// The wizard window's procedure.

#include <windows.h>

#include <type_traits>

#include "app/app_state.h"

static_assert(std::is_same_v<HWND, WindowHandle>, "AppState holds plain window handles");

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
