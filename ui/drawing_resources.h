#pragma once
// The shared fonts, brushes, cursors and pictures of the wizard, made once and kept
// until the process ends: cursors, brushes and fonts before the window class is
// registered (its background is the white brush), the pictures just before the
// window is created. Painting only selects them.

#include <windows.h>

struct DrawingResources {
    HCURSOR ArrowCursor = nullptr;
    HCURSOR HandCursor = nullptr;
    HBRUSH LightGreyBrush = nullptr;
    HBRUSH MidGreyBrush = nullptr;
    HBRUSH WhiteBrush = nullptr;
    HFONT BoldFont = nullptr;
    HFONT NormalFont = nullptr;
    HFONT HeadingFont = nullptr;
    HBITMAP SignInBitmap = nullptr;
    HBITMAP CreateAccountBitmap = nullptr;
};

extern DrawingResources g_draw;

// Cursors, brushes and fonts, in that order.
void CreateDrawingResources();
// The two selector pictures from the module's resources.
void LoadSelectorBitmaps(HINSTANCE instance);

// The system's wait cursor while a request blocks the window, and the arrow after it.
void ShowBusyCursor();
void ShowArrowCursor();
