#include "tests/support/process_runner.h"

#include <array>
#include <chrono>
#include <cstdio>

namespace {

constexpr int kStartAttempts = 3;
constexpr DWORD kStartRetryPauseMs = 500;

}  // namespace

std::wstring ProgramPath() {
    std::array<wchar_t, MAX_PATH> path{};
    GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    std::wstring result(path.data());
    result.resize(result.find_last_of(L"\\/") + 1);
    return result + L"TirnaUIAuth.exe";
}

DebuggedProcess::DebuggedProcess(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + exe + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    // A debugger must wait for events on the thread that started the process.
    thread_ = std::thread([this, commandLine] { Loop(commandLine); });
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return startDone_; });
}

DebuggedProcess::~DebuggedProcess() {
    Kill();
}

bool DebuggedProcess::Started() {
    std::lock_guard lock(mutex_);
    return started_;
}

DWORD DebuggedProcess::ProcessId() {
    std::lock_guard lock(mutex_);
    return processId_;
}

void DebuggedProcess::Loop(std::wstring commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    // Under a heavily loaded Wine a start now and then fails before the program
    // runs at all; that says nothing about the program, so it is tried again.
    BOOL ok = FALSE;
    for (int attempt = 1; attempt <= kStartAttempts; ++attempt) {
        ok = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                            DEBUG_ONLY_THIS_PROCESS, nullptr, nullptr, &startup, &info);
        if (ok) break;
        std::fprintf(stderr, "start %d of the program failed: error %lu\n", attempt,
                     GetLastError());
        Sleep(kStartRetryPauseMs);
    }
    {
        std::lock_guard lock(mutex_);
        startDone_ = true;
        started_ = ok != FALSE;
        exited_ = !started_;
        if (started_) {
            processId_ = info.dwProcessId;
            process_ = info.hProcess;
            CloseHandle(info.hThread);
        }
    }
    changed_.notify_all();
    if (!ok) return;

    for (;;) {
        DEBUG_EVENT event{};
        if (!WaitForDebugEvent(&event, INFINITE)) break;
        DWORD continueStatus = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
            case OUTPUT_DEBUG_STRING_EVENT: {
                const auto& text = event.u.DebugString;
                std::string line(text.nDebugStringLength, '\0');
                SIZE_T read = 0;
                ReadProcessMemory(process_, text.lpDebugStringData, line.data(), line.size(),
                                  &read);
                line.resize(read);
                line = line.substr(0, line.find('\0'));
                std::lock_guard lock(mutex_);
                lines_.push_back(std::move(line));
                break;
            }
            case EXCEPTION_DEBUG_EVENT: {
                // Only the loader's first breakpoint is ours; every other exception
                // belongs to the program.
                const DWORD code = event.u.Exception.ExceptionRecord.ExceptionCode;
                if (code != EXCEPTION_BREAKPOINT) continueStatus = DBG_EXCEPTION_NOT_HANDLED;
                std::lock_guard lock(mutex_);
                if (code == EXCEPTION_BREAKPOINT && !initialBreakpointSeen_) {
                    initialBreakpointSeen_ = true;
                    break;
                }
                exceptions_.push_back({code, event.u.Exception.dwFirstChance != 0});
                break;
            }
            case CREATE_PROCESS_DEBUG_EVENT:
                if (event.u.CreateProcessInfo.hFile != nullptr) {
                    CloseHandle(event.u.CreateProcessInfo.hFile);
                }
                break;
            case LOAD_DLL_DEBUG_EVENT:
                if (event.u.LoadDll.hFile != nullptr) CloseHandle(event.u.LoadDll.hFile);
                break;
            default:
                break;
        }
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) {
            std::lock_guard lock(mutex_);
            exitCode_ = event.u.ExitProcess.dwExitCode;
            exited_ = true;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, continueStatus);
        changed_.notify_all();
        if (event.dwDebugEventCode == EXIT_PROCESS_DEBUG_EVENT) break;
    }
}

std::optional<DWORD> DebuggedProcess::WaitForExit(DWORD timeoutMs) {
    std::unique_lock lock(mutex_);
    if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [this] { return exited_; })) {
        return std::nullopt;
    }
    if (!started_) return std::nullopt;
    return exitCode_;
}

void DebuggedProcess::Kill() {
    {
        std::lock_guard lock(mutex_);
        if (started_ && !exited_) TerminateProcess(process_, 255);
    }
    if (thread_.joinable()) thread_.join();
    std::lock_guard lock(mutex_);
    if (process_ != nullptr) {
        CloseHandle(process_);
        process_ = nullptr;
    }
}

std::vector<std::string> DebuggedProcess::Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool DebuggedProcess::WaitForLine(const std::string& text, DWORD timeoutMs) {
    auto written = [&] {
        for (const auto& line : lines_) {
            if (line.find(text) != std::string::npos) return true;
        }
        return false;
    };
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                      [&] { return written() || exited_; });
    return written();
}

std::vector<ProgramException> DebuggedProcess::Exceptions() {
    std::lock_guard lock(mutex_);
    return exceptions_;
}

ProgramRun RunProgram(const std::wstring& arguments, DWORD timeoutMs) {
    DebuggedProcess process(ProgramPath(), arguments);
    ProgramRun run;
    run.exitCode = process.WaitForExit(timeoutMs);
    process.Kill();
    run.lines = process.Lines();
    return run;
}

HWND WaitForWizardWindow(DWORD processId, DWORD timeoutMs) {
    struct Search {
        DWORD processId;
        HWND found;
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        Search search{processId, nullptr};
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                std::array<wchar_t, 64> className{};
                GetClassNameW(window, className.data(), static_cast<int>(className.size()));
                if (owner == s->processId && std::wstring(className.data()) == L"TIRNAUIAUTH" &&
                    IsWindowVisible(window)) {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        Sleep(20);  // polls for another process's window; there is nothing to wait on
    } while (std::chrono::steady_clock::now() < deadline);
    return nullptr;
}
