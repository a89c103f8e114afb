#include "core/install_body.h"

#include <string_view>

#include "core/form_body.h"
#include "core/utf8.h"

namespace {

constexpr std::wstring_view kUnsafeChars = L"\"&',./?@\\";
constexpr char kNone[] = "none";

// The product code and version the service knows this program by.
constexpr char kProduct[] = "2_1.0";

// The device name or configuration as sent: blanked, UTF-8, "none" when it does
// not fit the field buffer.
std::string DeviceText(const std::wstring& text) {
    std::wstring work(text);
    BlankUnsafeChars(work.data());
    return ToUtf8Field(work).value_or(kNone);
}

// A stored credential that does not fit its field is left out, as if not stored.
void AppendStoredField(std::string& body, std::string_view literal,
                       const std::optional<std::wstring>& value) {
    if (!value || value->empty()) return;
    if (const auto utf8 = ToUtf8Field(*value)) AppendFormField(body, literal, *utf8);
}

// The version numbers as "%d" shows them.
std::string VersionNumber(std::uint32_t number) {
    return std::to_string(static_cast<std::int32_t>(number));
}

}  // namespace

void BlankUnsafeChars(wchar_t* text) noexcept {
    if (text == nullptr) return;
    for (; *text != L'\0'; ++text) {
        if (kUnsafeChars.find(*text) != std::wstring_view::npos) *text = L' ';
    }
}

std::string BuildInstallBody(const InstallRequest& request) {
    std::string body = "action=install";
    AppendFormField(body, "&did=", request.deviceId);
    AppendStoredField(body, "&uname=", request.userName);
    AppendStoredField(body, "&pmd5=", request.digest);
    AppendFormField(body, "&product=", kProduct);
    AppendFormField(body, "&osv=Windows",
                    VersionNumber(request.osMajor) + "." + VersionNumber(request.osMinor));
    AppendFormField(body, "&dtype=", request.deviceType);
    AppendFormField(body,
                    "&dname=", request.deviceName.empty() ? kNone : DeviceText(request.deviceName));
    AppendFormField(body, "&dconfig=", DeviceText(request.deviceConfig));
    return body;
}
