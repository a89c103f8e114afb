#include "tests/support/registry.h"

#include "app/settings_store.h"

void DeleteProductKey() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kProductKey);
}

std::optional<RawValue> ReadRawValue(const std::wstring& keyPath, const std::wstring& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    RawValue value;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, name.c_str(), nullptr, &value.type, nullptr, &size);
    if (status == ERROR_SUCCESS) {
        value.bytes.resize(size);
        status = RegQueryValueExW(key, name.c_str(), nullptr, &value.type, value.bytes.data(),
                                  &size);
        value.bytes.resize(size);
    }
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return std::nullopt;
    return value;
}

std::optional<DWORD> ReadDword(const std::wstring& keyPath, const std::wstring& name) {
    const auto raw = ReadRawValue(keyPath, name);
    if (!raw || raw->type != REG_DWORD || raw->bytes.size() != sizeof(DWORD)) return std::nullopt;
    DWORD value = 0;
    memcpy(&value, raw->bytes.data(), sizeof(value));
    return value;
}

void WriteRawValue(const std::wstring& keyPath, const std::wstring& name, DWORD type,
                   const void* data, DWORD size) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                    nullptr);
    RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void WriteDwordValue(const std::wstring& keyPath, const std::wstring& name, DWORD value) {
    WriteRawValue(keyPath, name, REG_DWORD, &value, sizeof(value));
}

void WriteTextValue(const std::wstring& keyPath, const std::wstring& name, const std::wstring& text) {
    WriteRawValue(keyPath, name, REG_SZ, text.c_str(),
                  static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

void StoreCredentials(const std::wstring& userName, const std::wstring& digest) {
    WriteTextValue(kStateKey, L"AuthInfoUserName", userName);
    WriteTextValue(kStateKey, L"AuthInfoMD5", digest);
}
