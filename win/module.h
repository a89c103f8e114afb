#pragma once
// The program's module: its instance handle, which control creation and string
// loading need.

#include <windows.h>

// Set once by the window's creation; null before.
extern HINSTANCE g_instance;
