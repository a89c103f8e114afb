// The install request from hostile stored credentials and whatever text the system
// gives as the device's name and configuration.

#include <optional>

#include "core/install_body.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr char kDeviceId[] = "CD-AB-34-12-A9060300-00081000-FFE3BA7F-FFFBEBBF";
constexpr std::u32string_view kBlanked = U"\"&',./?@\\";

// A stored credential goes out whole, or not at all when it is absent, empty or
// too long for its 259-byte field.
std::string SentCredential(std::string_view literal, const std::optional<std::wstring>& value) {
    if (!value || value->empty()) return "";
    const std::string utf8 = Utf8Of(ExpectedCodePoints(*value));
    return utf8.size() > 259 ? "" : std::string(literal) + utf8;
}

// The device's text with the nine characters blanked, or "none" when it does not fit.
std::string SentDeviceText(const std::wstring& text) {
    std::u32string points = ExpectedCodePoints(text);
    std::ranges::replace_if(
        points, [](char32_t c) { return kBlanked.find(c) != kBlanked.npos; }, U' ');
    const std::string utf8 = Utf8Of(points);
    return utf8.size() > 259 ? "none" : utf8;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // Bits 0 and 1 of the first byte: a user name, a digest is stored.
    const std::vector<std::wstring> texts = FuzzTexts(data + 1, size - 1, 4);
    InstallRequest request;
    request.deviceId = kDeviceId;
    if (data[0] & 1) request.userName = texts[0];
    if (data[0] & 2) request.digest = texts[1];
    request.deviceName = texts[2];
    request.deviceConfig = texts[3];

    const std::string body = BuildInstallBody(request);
    CHECK(body.starts_with(std::string("action=install&did=") + kDeviceId +
                           SentCredential("&uname=", request.userName) +
                           SentCredential("&pmd5=", request.digest) + "&product="));
    const std::string name =
        request.deviceName.empty() ? "none" : SentDeviceText(request.deviceName);
    CHECK(body.ends_with("&dname=" + name + "&dconfig=" + SentDeviceText(request.deviceConfig)));
    return 0;
}
