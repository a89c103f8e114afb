#include "net/form_headers.h"

std::wstring FormPostHeaders(std::size_t bodyLength) {
    return L"Content-Length: " + std::to_wstring(bodyLength) +
           L"\r\nCache-Control: no-cache\r\nContent-Type: application/x-www-form-urlencoded\r\n";
}

std::wstring CreateUserHeaders(std::size_t bodyLength) {
    return L"Content-Length: " + std::to_wstring(bodyLength) +
           L"\r\nContent-Type: application/x-www-form-urlencoded\r\n";
}
