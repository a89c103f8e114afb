// Times, in one fresh process, each step of the way to the wizard's first paint
// as the program's own "/signin" start (RunTirnaUIAuth) takes it and tells it,
// or with the argument "floor" the steps of the floor window program.
// The first figure is the time from the process's creation to this entry point:
// loading and initialising the imported DLLs.
//
//   window_parts.exe wizard|floor OUTPUT-FILE
// Appends one tab-separated line of name=milliseconds pairs to OUTPUT-FILE (the
// measuring program starts it, so that the Wine desktop is already up).

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "app/startup.h"
#include "bench/floor_window.h"
#include "core/app_state.h"

namespace {

// Milliseconds on the FILETIME clock, which is also the clock of the process's
// creation time.
double NowMs() {
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    return static_cast<double>((static_cast<ULONGLONG>(now.dwHighDateTime) << 32) |
                               now.dwLowDateTime) /
           10000.0;
}

double CreationMs() {
    FILETIME creation{};
    FILETIME unused{};
    GetProcessTimes(GetCurrentProcess(), &creation, &unused, &unused, &unused);
    return static_cast<double>((static_cast<ULONGLONG>(creation.dwHighDateTime) << 32) |
                               creation.dwLowDateTime) /
           10000.0;
}

class Steps {
  public:
    Steps() : last_(NowMs()) { times_.emplace_back(L"dll_load_and_init", last_ - CreationMs()); }
    void Done(const wchar_t* name) {
        const double now = NowMs();
        times_.emplace_back(name, now - last_);
        last_ = now;
    }
    bool Append(const wchar_t* path) const {
        FILE* file = _wfopen(path, L"a");
        if (file == nullptr) return false;
        for (const auto& [name, ms] : times_) std::fwprintf(file, L"%ls=%.3f\t", name.c_str(), ms);
        std::fwprintf(file, L"\n");
        return std::fclose(file) == 0;
    }

  private:
    double last_;
    std::vector<std::pair<std::wstring, double>> times_;
};

// A second full paint after the first: what the first paint paid once (fonts
// realised, glyphs rendered) shows as the difference.
void RepaintNow(HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void PumpUntilIdle() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Shown, painted, its queue emptied and painted again, each a step.
void ShowAndPaint(HWND window, Steps& steps) {
    ShowWindow(window, SW_SHOWDEFAULT);
    steps.Done(L"show_window");
    UpdateWindow(window);
    steps.Done(L"update_window");
    PumpUntilIdle();
    steps.Done(L"pump_until_idle");
    RepaintNow(window);
    steps.Done(L"repaint_after");
}

// The floor window program's steps.
void RunFloor(HINSTANCE instance, Steps& steps) {
    RegisterFloorClass(instance);
    steps.Done(L"register_class");
    const HWND window = CreateFloorWindow(instance);
    steps.Done(L"create_window");
    ShowAndPaint(window, steps);
}

// The steps of the program's own "/signin" start (RunTirnaUIAuth), as it tells
// them; after the first paint, its queue emptied and a repaint, each a step, and
// the window closed as the parent closes it, which ends the run.
Steps* g_wizardSteps = nullptr;

void OnWizardStep(const wchar_t* step) {
    g_wizardSteps->Done(step);
    if (std::wstring_view(step) != L"update_window") return;
    PumpUntilIdle();
    g_wizardSteps->Done(L"pump_until_idle");
    RepaintNow(g_app.mainWindow);
    g_wizardSteps->Done(L"repaint_after");
    PostMessageW(g_app.mainWindow, WM_CLOSE, 0, 0);
}

void RunWizard(HINSTANCE instance, Steps& steps) {
    g_wizardSteps = &steps;
    RunTirnaUIAuth(instance, L"/signin", SW_SHOWDEFAULT, OnWizardStep);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Steps steps;
    if (argc != 3) return 2;
    const std::wstring which = argv[1];
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    if (which == L"floor") {
        RunFloor(instance, steps);
    } else if (which == L"wizard") {
        RunWizard(instance, steps);
    } else {
        return 2;
    }
    return steps.Append(argv[2]) ? 0 : 1;
}
