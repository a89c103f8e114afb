#pragma once
// The program's entry and run modes.

#include <windows.h>

// Runs the whole program; returns the process exit code (0 on every path).
int RunTirnaUIAuth(HINSTANCE instance, const wchar_t* commandLine, int showCommand);

// The window path, in this order: LoadWindowStrings (the title and class name),
// CreateDrawingResources (ui/drawing_resources.h), RegisterMainClass, then
// CreateMainWindow, which loads the selector pictures before it creates the window.
void LoadWindowStrings(HINSTANCE instance);
void RegisterMainClass(HINSTANCE instance);
// True when the wizard window exists.
bool CreateMainWindow(HINSTANCE instance, int showCommand);
