#pragma once
// Pictures of a window as it shows on the screen, saved as BMP files.

#include <windows.h>

#include <string>

// Saves what the screen shows of the window, caption included, once two pictures
// taken a moment apart agree (the window has finished painting). False when no
// picture could be taken or written.
bool SaveWindowPicture(HWND window, const std::wstring& path);
