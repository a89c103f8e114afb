#pragma once
// The owner of a WinHTTP handle (session, connection or request), closed when it
// goes out of scope.

#include <windows.h>
#include <winhttp.h>

#include <memory>

struct InternetHandleCloser {
    void operator()(HINTERNET handle) const noexcept {
        if (handle != nullptr) WinHttpCloseHandle(handle);
    }
};
using UniqueInternetHandle = std::unique_ptr<void, InternetHandleCloser>;
