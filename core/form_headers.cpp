#include "core/form_headers.h"

std::wstring FormPostHeaders(std::size_t bodyLength, bool noCache) {
    std::wstring headers = L"Content-Length: " + std::to_wstring(bodyLength) + L"\r\n";
    if (noCache) headers += L"Cache-Control: no-cache\r\n";
    return headers + L"Content-Type: application/x-www-form-urlencoded\r\n";
}
