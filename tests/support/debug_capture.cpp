#include "tests/support/debug_capture.h"

#include <cstring>

namespace {

constexpr DWORD kBufferSize = 4096;
// Written by Flush; the reader counts it instead of keeping it.
constexpr char kFlushMarker[] = "\x01tirna-debug-capture-flush\x01";

// The section's layout: the writer's process id, then its zero-ended text.
struct MonitorBuffer {
    DWORD processId;
    char text[kBufferSize - sizeof(DWORD)];
};

}  // namespace

DebugCapture::DebugCapture() {
    // Under a debugger the lines go to the debugger and never reach the section.
    if (IsDebuggerPresent()) return;
    mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kBufferSize,
                                      L"DBWIN_BUFFER"));
    if (!mapping_ || GetLastError() == ERROR_ALREADY_EXISTS) return;
    view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, kBufferSize));
    bufferReady_.reset(CreateEventW(nullptr, FALSE, TRUE, L"DBWIN_BUFFER_READY"));
    dataReady_.reset(CreateEventW(nullptr, FALSE, FALSE, L"DBWIN_DATA_READY"));
    stop_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!view_ || !bufferReady_ || !dataReady_ || !stop_) return;
    active_ = true;
    thread_ = std::thread([this] { ReadLoop(); });
}

DebugCapture::~DebugCapture() {
    if (thread_.joinable()) {
        SetEvent(stop_.get());
        thread_.join();
    }
}

bool DebugCapture::Active() const {
    return active_;
}

std::vector<std::string> DebugCapture::Lines() {
    Flush();
    std::lock_guard lock(mutex_);
    return lines_;
}

void DebugCapture::Clear() {
    Flush();
    std::lock_guard lock(mutex_);
    lines_.clear();
}

// A writer returns as soon as its text is in the section, before the reader has
// taken it. The marker is written after every earlier line, so once the reader
// has seen it, those lines are recorded.
void DebugCapture::Flush() {
    if (!active_) return;
    unsigned expected = 0;
    {
        std::lock_guard lock(mutex_);
        expected = flushesSeen_ + 1;
    }
    OutputDebugStringA(kFlushMarker);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return flushesSeen_ >= expected; });
}

void DebugCapture::ReadLoop() {
    const auto* buffer = static_cast<const MonitorBuffer*>(view_.get());
    const HANDLE events[] = {dataReady_.get(), stop_.get()};
    const DWORD self = GetCurrentProcessId();
    while (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0) {
        // Other processes of the session write here too; only ours count.
        if (buffer->processId == self) {
            std::string line(buffer->text, strnlen(buffer->text, sizeof(buffer->text)));
            {
                std::lock_guard lock(mutex_);
                if (line == kFlushMarker) {
                    ++flushesSeen_;
                } else {
                    lines_.push_back(std::move(line));
                }
            }
            changed_.notify_all();
        }
        SetEvent(bufferReady_.get());
    }
}
