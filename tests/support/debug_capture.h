#pragma once
// Captures this process's own debugger-output lines (OutputDebugStringW) while no
// debugger is attached, by acting as the system's debug monitor: the shared
// section "DBWIN_BUFFER" with the events "DBWIN_BUFFER_READY" and
// "DBWIN_DATA_READY". One capture at a time per session.

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "win/scoped.h"

class DebugCapture {
  public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    // False when the monitor objects could not be made (another monitor runs) or
    // a debugger takes the lines.
    bool Active() const;

    // The lines this process wrote since the capture began or was last cleared,
    // in order, as ANSI text (the form a debugger gets). Every line written
    // before the call is included.
    std::vector<std::string> Lines();
    void Clear();

  private:
    struct ViewUnmapper {
        void operator()(void* view) const noexcept {
            if (view != nullptr) UnmapViewOfFile(view);
        }
    };

    void ReadLoop();
    // Waits until every line written so far has been taken from the buffer.
    void Flush();

    UniqueHandle mapping_;
    std::unique_ptr<void, ViewUnmapper> view_;
    UniqueHandle bufferReady_;
    UniqueHandle dataReady_;
    UniqueHandle stop_;
    bool active_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> lines_;
    unsigned flushesSeen_ = 0;
    std::thread thread_;
};
