#include "bench/floor_request.h"

#include <windows.h>
#include <winhttp.h>

#include <array>
#include <memory>
#include <string>

#include "win/internet_handle.h"

#ifndef TIRNA_BENCH_PORT
#error "TIRNA_BENCH_PORT must be defined by the build"
#endif

namespace {

constexpr wchar_t kHeaders[] = L"Content-Type: application/x-www-form-urlencoded\r\n";

bool ReadWholeReply(HINTERNET request) {
    std::array<char, 4096> chunk{};
    for (;;) {
        DWORD read = 0;
        if (!WinHttpReadData(request, chunk.data(), static_cast<DWORD>(chunk.size()), &read)) {
            return false;
        }
        if (read == 0) return true;
    }
}

}  // namespace

bool PostFormOnce(std::wstring_view body) {
    // The bodies of the benchmark are ASCII, so narrowing each unit is exact.
    std::string bytes(body.begin(), body.end());
    // The same proxy choice as the program: the system's default.
    const UniqueInternetHandle session(
        WinHttpOpen(L"TirnaBenchFloor", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                    WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return false;
    const UniqueInternetHandle connection(
        WinHttpConnect(session.get(), L"127.0.0.1", TIRNA_BENCH_PORT, 0));
    if (!connection) return false;
    const UniqueInternetHandle request(
        WinHttpOpenRequest(connection.get(), L"POST", L"/device_point.php", nullptr,
                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0));
    if (!request) return false;
    const auto length = static_cast<DWORD>(bytes.size());
    if (!WinHttpSendRequest(request.get(), kHeaders, static_cast<DWORD>(-1L), bytes.data(), length,
                            length, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr)) {
        return false;
    }
    return ReadWholeReply(request.get());
}
