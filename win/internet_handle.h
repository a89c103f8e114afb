#pragma once
// The owner of a WinHTTP handle (session, connection or request), closed when it
// goes out of scope.

#include <memory>

struct InternetHandleCloser {
    void operator()(void* handle) const noexcept;
};
using UniqueInternetHandle = std::unique_ptr<void, InternetHandleCloser>;
