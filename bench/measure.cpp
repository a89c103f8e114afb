// Starts programs under test with CreateProcess and times them from outside, the
// programs taking turns (A B A B ...) so that a change of machine load hits all
// of them alike.
//
//   measure.exe window RUNS WARMUP LABEL=COMMAND-LINE ...
//       start -> first visible top-level window of the process, and start -> its
//       light grey left panel on screen (the first WM_PAINT has been handled and
//       reached the display); then the peak working set, and the process is ended.
//   measure.exe exit RUNS WARMUP LABEL=COMMAND-LINE ...
//       start -> exit; a program that has not ended after the time-out fails the run.
//
// One tab-separated line per measured run on standard output:
//   label  run  window_ms  painted_ms  exit_ms  peak_working_set_bytes  gui_gdi_objects
// A figure that does not apply to the mode is -1.

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr DWORD kTimeoutMs = 60000;
// A point inside the wizard's left panel, in client coordinates, and its colour.
constexpr int kPanelX = 10;
constexpr int kPanelY = 200;
constexpr COLORREF kPanelGrey = RGB(220, 220, 220);
constexpr DWORD kFindEveryMs = 5;
constexpr DWORD kPixelEveryMs = 1;

struct Program {
    std::wstring label;
    std::wstring commandLine;
};

struct Sample {
    double windowMs = -1;
    double paintedMs = -1;
    double exitMs = -1;
    long long peakWorkingSet = -1;
    long long guiGdiObjects = -1;
};

class Stopwatch {
  public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double Ms() const {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) /
               static_cast<double>(frequency_.QuadPart);
    }

  private:
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
};

struct Child {
    PROCESS_INFORMATION info{};
    ~Child() {
        if (info.hThread != nullptr) CloseHandle(info.hThread);
        if (info.hProcess != nullptr) CloseHandle(info.hProcess);
    }
};

bool Start(const Program& program, Child& child) {
    std::wstring commandLine = program.commandLine;  // CreateProcessW may write to it
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    return CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &child.info) != FALSE;
}

struct WindowSearch {
    DWORD processId = 0;
    HWND found = nullptr;
};

BOOL CALLBACK CheckWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    search->found = window;
    return FALSE;
}

HWND VisibleWindowOf(DWORD processId) {
    WindowSearch search{processId};
    EnumWindows(CheckWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Reads the pixel back from the display, so it shows what the user would see.
bool PanelPainted(HWND window) {
    const HDC dc = GetDC(window);
    if (dc == nullptr) return false;
    const COLORREF colour = GetPixel(dc, kPanelX, kPanelY);
    ReleaseDC(window, dc);
    return colour == kPanelGrey;
}

void ReadMemoryFigures(HANDLE process, Sample& sample) {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(process, &counters, sizeof(counters))) {
        sample.peakWorkingSet = static_cast<long long>(counters.PeakWorkingSetSize);
    }
    sample.guiGdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
}

void EndChild(const Child& child) {
    TerminateProcess(child.info.hProcess, 0);
    // The next run must not find this one's single-instance mutex still held.
    WaitForSingleObject(child.info.hProcess, INFINITE);
}

std::optional<Sample> MeasureWindow(const Program& program) {
    Sample sample;
    Child child;
    const Stopwatch clock;
    if (!Start(program, child)) return std::nullopt;
    HWND window = nullptr;
    while (sample.paintedMs < 0) {
        if (WaitForSingleObject(child.info.hProcess, 0) == WAIT_OBJECT_0) {
            DWORD exitCode = 0;
            GetExitCodeProcess(child.info.hProcess, &exitCode);
            std::fwprintf(stderr, L"%ls ended (code %lu) before its window was painted\n",
                          program.label.c_str(), exitCode);
            return std::nullopt;
        }
        if (window == nullptr && (window = VisibleWindowOf(child.info.dwProcessId)) != nullptr) {
            sample.windowMs = clock.Ms();
        }
        if (window != nullptr && PanelPainted(window)) sample.paintedMs = clock.Ms();
        if (clock.Ms() > kTimeoutMs) {
            std::fwprintf(stderr, L"%ls: no painted window in time\n", program.label.c_str());
            EndChild(child);
            return std::nullopt;
        }
        // Every check costs the display server and the Wine server work that the
        // program under test would otherwise get: the window is looked for every
        // 5 ms, and only once it exists is its panel checked every millisecond.
        if (sample.paintedMs < 0) Sleep(window == nullptr ? kFindEveryMs : kPixelEveryMs);
    }
    ReadMemoryFigures(child.info.hProcess, sample);
    EndChild(child);
    return sample;
}

std::optional<Sample> MeasureExit(const Program& program) {
    Sample sample;
    Child child;
    const Stopwatch clock;
    if (!Start(program, child)) return std::nullopt;
    if (WaitForSingleObject(child.info.hProcess, kTimeoutMs) != WAIT_OBJECT_0) {
        std::fwprintf(stderr, L"%ls did not end in time\n", program.label.c_str());
        EndChild(child);
        return std::nullopt;
    }
    sample.exitMs = clock.Ms();
    DWORD exitCode = 0;
    GetExitCodeProcess(child.info.hProcess, &exitCode);
    if (exitCode != 0) {
        std::fwprintf(stderr, L"%ls ended with code %lu\n", program.label.c_str(), exitCode);
        return std::nullopt;
    }
    // The memory figures of an ended process are gone under Wine: none are read here.
    return sample;
}

std::optional<Program> ParseProgram(const wchar_t* argument) {
    const std::wstring text(argument);
    const auto equals = text.find(L'=');
    if (equals == std::wstring::npos || equals == 0) return std::nullopt;
    return Program{text.substr(0, equals), text.substr(equals + 1)};
}

int Usage() {
    std::fwprintf(stderr, L"usage: measure.exe window|exit RUNS WARMUP LABEL=COMMAND-LINE...\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) return Usage();
    const std::wstring mode = argv[1];
    if (mode != L"window" && mode != L"exit") return Usage();
    const int runs = _wtoi(argv[2]);
    const int warmup = _wtoi(argv[3]);
    std::vector<Program> programs;
    for (int i = 4; i < argc; ++i) {
        const auto program = ParseProgram(argv[i]);
        if (!program) return Usage();
        programs.push_back(*program);
    }

    for (int round = 0; round < warmup + runs; ++round) {
        for (const Program& program : programs) {
            auto sample = mode == L"window" ? MeasureWindow(program) : MeasureExit(program);
            if (!sample) {
                // One failed run is said and tried again; a second failure ends the benchmark.
                std::fwprintf(stderr, L"%ls: run %d failed, trying once more\n",
                              program.label.c_str(), round + 1);
                sample = mode == L"window" ? MeasureWindow(program) : MeasureExit(program);
            }
            if (!sample) return 1;
            if (round < warmup) continue;
            std::wprintf(L"%ls\t%d\t%.3f\t%.3f\t%.3f\t%lld\t%lld\n", program.label.c_str(),
                         round - warmup + 1, sample->windowMs, sample->paintedMs, sample->exitMs,
                         sample->peakWorkingSet, sample->guiGdiObjects);
            std::fflush(stdout);
        }
    }
    return 0;
}
