#pragma once
// The body of the "action=install" request that announces this device.

#include <cstdint>
#include <optional>
#include <string>

// Replaces each of " & ' , . / ? @ \ by a space, in place, up to the terminator;
// the length never changes. The device name and configuration are the only free
// text of the request that is not the parent's, and the body is never escaped:
// these characters would break the form or the service's handling of it.
// A null text is left alone.
void BlankUnsafeChars(wchar_t* text) noexcept;

// What the install request says about the device and, when stored, the parent.
struct InstallRequest {
    std::string deviceId;
    std::optional<std::wstring> userName;  // stored "AuthInfoUserName"; absent or empty: left out
    std::optional<std::wstring> digest;    // stored "AuthInfoMD5"; absent or empty: left out
    std::uint32_t osMajor = 0;
    std::uint32_t osMinor = 0;
    std::string deviceType;
    std::wstring deviceName;  // empty when it could not be read
    std::wstring deviceConfig;
};

// "action=install&did=...[&uname=...][&pmd5=...]&product=2_1.0&osv=Windows<major>.<minor>
// &dtype=...&dname=...&dconfig=...". The name and configuration are blanked and
// sent as UTF-8, "none" when the name is empty or either does not fit the 259-byte
// field. A stored user name or digest whose UTF-8 form does not fit the field is
// left out as if it were not stored, so the request stays well-formed.
[[nodiscard]] std::string BuildInstallBody(const InstallRequest& request);
