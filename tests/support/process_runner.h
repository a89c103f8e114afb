#pragma once
// Runs TirnaUIAuth.exe as a black box: started under a small debugger loop so
// that every debugger-output line and the exit code are captured.

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The program under test, beside the test executables.
std::wstring ProgramPath();

// An exception the program raised, as its debugger saw it.
struct ProgramException {
    DWORD code = 0;
    bool firstChance = true;  // false: nothing in the program handled it
};

class DebuggedProcess {
public:
    // Starts `exe` with `arguments` (the command line after the program name).
    DebuggedProcess(const std::wstring& exe, const std::wstring& arguments);
    ~DebuggedProcess();
    DebuggedProcess(const DebuggedProcess&) = delete;
    DebuggedProcess& operator=(const DebuggedProcess&) = delete;

    // False when the process could not be started.
    bool Started();
    DWORD ProcessId();

    // Waits for the exit; the exit code, or nothing on time-out.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs);
    // Kills the process (when still running) and waits for the loop to end.
    void Kill();

    // The debugger-output lines so far, in order (ANSI text as the debugger gets it).
    std::vector<std::string> Lines();
    // Waits until a line containing `text` was written.
    bool WaitForLine(const std::string& text, DWORD timeoutMs);
    // Every exception so far, in order, except the loader's initial breakpoint.
    std::vector<ProgramException> Exceptions();

private:
    void Loop(std::wstring commandLine);

    std::mutex mutex_;
    std::condition_variable changed_;
    bool startDone_ = false;
    bool started_ = false;
    bool exited_ = false;
    DWORD processId_ = 0;
    DWORD exitCode_ = 0;
    HANDLE process_ = nullptr;
    std::vector<std::string> lines_;
    std::vector<ProgramException> exceptions_;
    bool initialBreakpointSeen_ = false;
    std::thread thread_;
};

// Runs the program to its end (killing it after the time-out) and returns its
// exit code (nothing on time-out) with the lines it wrote.
struct ProgramRun {
    std::optional<DWORD> exitCode;
    std::vector<std::string> lines;
};
ProgramRun RunProgram(const std::wstring& arguments, DWORD timeoutMs = 30000);

// The wizard window of the given process, once it exists (nullptr after the time-out).
HWND WaitForWizardWindow(DWORD processId, DWORD timeoutMs);
