#pragma once
// Owners of kernel, registry, memory and GDI handles: whatever made a handle,
// every way out of the scope releases it. COM, CryptoAPI and WinHTTP have their
// own headers beside this one.

#include <windows.h>

#include <memory>

struct HandleCloser {
    void operator()(HANDLE handle) const noexcept {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct RegKeyCloser {
    void operator()(HKEY key) const noexcept {
        if (key != nullptr) RegCloseKey(key);
    }
};
using UniqueRegKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegKeyCloser>;

struct DcDeleter {
    void operator()(HDC dc) const noexcept {
        if (dc != nullptr) DeleteDC(dc);
    }
};
using UniqueMemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;

// A text that a system call allocated with GlobalAlloc for the caller to free.
struct GlobalFreer {
    void operator()(wchar_t* text) const noexcept { GlobalFree(text); }
};
using GlobalText = std::unique_ptr<wchar_t, GlobalFreer>;

// Selects an object into a device context and selects the previous one back.
class ScopedSelect {
  public:
    ScopedSelect(HDC dc, HGDIOBJ object) noexcept : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelect() {
        if (previous_ != nullptr) SelectObject(dc_, previous_);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};
