#pragma once
// Answers the message boxes of the calling thread with a scripted button and records
// what each one showed, recovered from the box's own windows.

#include <windows.h>

#include <string>
#include <vector>

struct MessageBoxRecord {
    std::wstring title;
    std::wstring text;
    UINT style = 0;  // MB_ button and icon flags, as the box shows them
    HWND owner = nullptr;
};

// One hook at a time per thread.
class MessageBoxHook {
  public:
    // Every box is answered with `button` (IDOK, IDYES, IDNO ...), which the box must have.
    explicit MessageBoxHook(int button = IDOK);
    ~MessageBoxHook();
    MessageBoxHook(const MessageBoxHook&) = delete;
    MessageBoxHook& operator=(const MessageBoxHook&) = delete;

    void Answer(int button) { button_ = button; }
    const std::vector<MessageBoxRecord>& Boxes() const { return boxes_; }

  private:
    static LRESULT CALLBACK OnCbt(int code, WPARAM wParam, LPARAM lParam);
    void Record(HWND box);

    HHOOK hook_ = nullptr;
    HWND lastBox_ = nullptr;
    int button_;
    std::vector<MessageBoxRecord> boxes_;
};
