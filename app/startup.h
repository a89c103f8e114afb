#pragma once
// The program's entry and run modes.

#include <windows.h>

// The module instance, kept for control creation and string loading.
extern HINSTANCE g_instance;

// Runs the whole program; returns the process exit code (0 on every path).
int RunTirnaUIAuth(HINSTANCE instance, const wchar_t* commandLine, int showCommand);

void RegisterMainClass(HINSTANCE instance);
// True when the wizard window exists.
bool CreateMainWindow(HINSTANCE instance, int showCommand);
