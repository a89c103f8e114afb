#pragma once
// Creation of every child control of the wizard, once, while the main window is
// being created; the pages differ only in which controls are shown.

#include <windows.h>

// Called from WM_CREATE with the window being created, which then shows the
// current page (ShowPage, app/show_page.h).
void CreateControls(HWND mainWindow);
