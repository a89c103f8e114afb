#pragma once
// The real wizard window, created in the test process as the program's start-up
// creates it (the test executable carries the program's resources), and what a
// piece of painting drew.

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Starts from a fresh AppState and an empty settings store, makes the drawing
// resources once, registers the class and creates the window, then handles the
// queued messages. Null on failure.
HWND OpenWizard(bool signIn = false, bool installer = false);
// Destroys the wizard window when it still exists and handles what that queued.
void CloseWizard();
// Handles every queued message as the program's loop does, dialog keys included.
void PumpMessages();

// "Face height/width/weight".
std::wstring FontName(const LOGFONTW& font);

// What `paint` drew into an enhanced metafile, one line per record in drawing order:
// "rect l,t,r,b #rrggbb" and "round ..." with the fill colour; "blit x,y,w,h <- w,h"
// for a whole picture stretched; "text x,y #rrggbb font: text", where the lines of a
// block (each below the one before) are joined by one blank.
std::vector<std::wstring> RecordPaint(const std::function<void(HDC)>& paint);
