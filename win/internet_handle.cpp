#include "win/internet_handle.h"

#include <windows.h>
#include <winhttp.h>

void InternetHandleCloser::operator()(void* handle) const noexcept {
    if (handle != nullptr) WinHttpCloseHandle(handle);
}
