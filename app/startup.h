#pragma once
// The program's entry and run modes.

#include <windows.h>

// Told the name of each step on the way to the painted window as the step ends,
// in this order: "com"; "mutex_log_tempa" (the probe for another copy, the mutex,
// the start-up line, the switches and what the run's mode does before any window);
// "window_strings", "drawing_resources", "register_class"; then within
// CreateMainWindow "load_bitmaps", "create_window_and_controls", "show_window" and
// "update_window". The program is told nothing; the benchmark times the steps of
// its own start (bench/window_parts.cpp).
using StepDone = void (*)(const wchar_t* step);

// Runs the whole program; returns the process exit code (0 on every path).
int RunTirnaUIAuth(HINSTANCE instance, const wchar_t* commandLine, int showCommand,
                   StepDone stepDone = nullptr);

// The window path, in this order: LoadWindowStrings (the title and class name),
// CreateDrawingResources (ui/drawing_resources.h), RegisterMainClass, then
// CreateMainWindow, which loads the selector pictures before it creates the window.
void LoadWindowStrings(HINSTANCE instance);
void RegisterMainClass(HINSTANCE instance);
// The wizard window's style: visible, with a caption that has only the close box.
// The low word of a window's style belongs to its class; this one reads none of it,
// so the 0x0400 there has no effect.
inline constexpr DWORD kMainWindowStyle = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | 0x0400;
static_assert(kMainWindowStyle == 0x10C80400);

// True when the wizard window exists.
bool CreateMainWindow(HINSTANCE instance, int showCommand);
