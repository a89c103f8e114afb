// Floor of the silent credential check: a GUI-subsystem program that makes one
// POST of the body on its command line and exits.

#include <windows.h>

#include "bench/floor_request.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
    return PostFormOnce(commandLine != nullptr ? commandLine : L"") ? 0 : 1;
}
