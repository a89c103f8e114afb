#pragma once
// The real wizard window in the test process, which carries the program's resources,
// and what a piece of painting drew.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A fresh AppState, nothing stored, then the window as the program creates it. Null on failure.
HWND OpenWizard(bool signIn = false, bool installer = false);

// What `paint` drew into an enhanced metafile, one line per record in drawing order:
// "rect l,t,r,b #rrggbb" and "round ..." with the fill colour, "blit x,y,w,h <- w,h"
// for a whole picture stretched, "text x,y #rrggbb Face height/width/weight: text",
// where the lines of a block (each below the one before) are joined by one blank.
std::vector<std::wstring> RecordPaint(const std::function<void(HDC)>& paint);
