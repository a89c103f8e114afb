#include "tests/support/user_proxy_settings.h"

namespace {

constexpr wchar_t kConnectionsKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
constexpr wchar_t kSettingsValue[] = L"DefaultConnectionSettings";
constexpr DWORD kRecordVersion = 0x46;

// Little-endian, as the record stores its numbers.
void AppendNumber(std::string& record, DWORD value) {
    for (int shift = 0; shift < 32; shift += 8) record.push_back(static_cast<char>(value >> shift));
}

void AppendCountedText(std::string& record, const std::string& text) {
    AppendNumber(record, static_cast<DWORD>(text.size()));
    record += text;
}

}  // namespace

std::string ProxySettingsRecord(DWORD flags, const std::string& proxy, const std::string& bypass,
                                const std::string& scriptUrl) {
    std::string record;
    AppendNumber(record, kRecordVersion);
    AppendNumber(record, 1);  // change counter
    AppendNumber(record, flags);
    AppendCountedText(record, proxy);
    AppendCountedText(record, bypass);
    AppendCountedText(record, scriptUrl);
    return record;
}

UserProxySettings::UserProxySettings(const std::string& record) {
    RegCreateKeyExW(HKEY_CURRENT_USER, kConnectionsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key_, nullptr);
    DWORD size = 0;
    if (RegQueryValueExW(key_, kSettingsValue, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
        saved_.emplace(size, '\0');
        RegQueryValueExW(key_, kSettingsValue, nullptr, nullptr,
                         reinterpret_cast<BYTE*>(saved_->data()), &size);
    }
    Write(record);
}

UserProxySettings::~UserProxySettings() {
    if (saved_) {
        Write(*saved_);
    } else {
        RegDeleteValueW(key_, kSettingsValue);
    }
    RegCloseKey(key_);
}

void UserProxySettings::Write(const std::string& bytes) {
    RegSetValueExW(key_, kSettingsValue, 0, REG_BINARY, reinterpret_cast<const BYTE*>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
}
