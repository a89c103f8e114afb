#include "core/service_endpoint.h"

#ifndef TIRNA_SERVICE_ORIGIN
#error "TIRNA_SERVICE_ORIGIN must be defined by the build"
#endif

namespace {
constexpr wchar_t kEndpoint[] = TIRNA_SERVICE_ORIGIN L"/device_point.php";
constexpr wchar_t kAccountPage[] = TIRNA_SERVICE_ORIGIN L"/account.php";
}  // namespace

std::wstring_view ServiceEndpoint() noexcept {
    return kEndpoint;
}

std::wstring_view AccountPageUrl() noexcept {
    return kAccountPage;
}
