// The body of the install request.

#include <algorithm>
#include <cstdio>

#include "device/device_identity_format.h"
#include "device/install_body.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/fuzz_input.h"

namespace {

constexpr char kDeviceId[] = "CD-AB-34-12-A9060300-00081000-FFE3BA7F-FFFBEBBF";
constexpr std::string_view kBlanked = "\"&',./?@\\";

// A stored credential goes out when it is there, not empty, and fits its field.
bool IsSent(const std::optional<std::wstring>& credential) {
    return credential && !credential->empty() && FitsField(*credential);
}

std::string VersionText(std::uint32_t major, std::uint32_t minor) {
    char text[32];
    const int length =
        std::snprintf(text, sizeof text, "%d.%d", static_cast<int>(major), static_cast<int>(minor));
    return std::string(text, static_cast<std::size_t>(length));
}

// The device name or configuration: blanked, at most 259 bytes of UTF-8, and
// "none" in place of text that does not fit (or of an empty name).
void CheckDeviceText(const std::optional<std::string_view>& sent, const std::wstring& text,
                     bool emptyIsNone) {
    CHECK(sent.has_value());
    CHECK(sent->size() <= 259);
    CHECK(sent->find_first_of(kBlanked) == std::string_view::npos);
    std::u32string blanked = ExpectedCodePoints(text);
    std::replace_if(
        blanked.begin(), blanked.end(),
        [](char32_t c) { return c < 0x80 && kBlanked.find(static_cast<char>(c)) != kBlanked.npos; },
        U' ');
    if ((emptyIsNone && text.empty()) || Utf8Size(blanked) > 259) {
        CHECK(*sent == "none");
    } else {
        CHECK(DecodeUtf8(*sent) == blanked);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput input(data, size);
    // Bits 0 and 1 of the first byte: a user name, a digest is stored.
    const std::uint8_t stored = input.TakeByte();
    InstallRequest request;
    request.deviceId = kDeviceId;
    request.deviceType = DeviceTypeFromAcLineStatus(input.TakeByte());
    request.osMajor = input.TakeU32();
    request.osMinor = input.TakeU32();
    std::wstring userName = input.TakeText();
    std::wstring digest = input.TakeText();
    if (stored & 1) request.userName = std::move(userName);
    if (stored & 2) request.digest = std::move(digest);
    request.deviceName = input.TakeText();
    request.deviceConfig = input.TakeRestAsText();

    const std::string body = BuildInstallBody(request);
    CHECK(body.find('\0') == std::string::npos);
    BodyReader reader(body);
    CHECK(reader.Field("action=install") == "");
    CHECK(reader.Field("&did=") == kDeviceId);
    if (IsSent(request.userName)) CHECK(ReadsText(reader, "&uname=", *request.userName));
    if (IsSent(request.digest)) CHECK(ReadsText(reader, "&pmd5=", *request.digest));
    CHECK(reader.Field("&product=") == "2_1.0");
    CHECK(reader.Field("&osv=Windows") == VersionText(request.osMajor, request.osMinor));
    CHECK(reader.Field("&dtype=") == request.deviceType);
    CheckDeviceText(reader.Field("&dname="), request.deviceName, true);
    CheckDeviceText(reader.Field("&dconfig="), request.deviceConfig, false);
    CHECK(reader.AtEnd());
    return 0;
}
