// The program's registry values, written and read back in their text form.

#include <array>
#include <cstring>
#include <set>

#include "tests/blackbox/harness.h"

namespace {

struct Kind {
    const char* name;
    DWORD type;
    bool text;        // the payload is UTF-8 text, stored as UTF-16
    bool terminated;  // one terminator is stored after it
};
constexpr Kind kKinds[] = {{"sz", REG_SZ, true, false},
                           {"sz0", REG_SZ, true, true},
                           {"expand0", REG_EXPAND_SZ, true, true},
                           {"multi0", REG_MULTI_SZ, true, true},
                           {"binary", REG_BINARY, false, false},
                           {"qword", REG_QWORD, false, false}};

std::string Utf16Bytes(const std::wstring& text) {
    std::string bytes(text.size() * sizeof(wchar_t), '\0');
    std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
}

std::string Unhex(std::string_view hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return bytes;
}

std::string Describe(DWORD type, const std::string& bytes) {
    if (type == REG_DWORD && bytes.size() == sizeof(DWORD)) {
        DWORD value = 0;
        std::memcpy(&value, bytes.data(), sizeof(value));
        return "dword:" + std::to_string(value);
    }
    if (type == REG_SZ && bytes.size() % 2 == 0) {
        std::wstring text(bytes.size() / 2, L'\0');
        std::memcpy(text.data(), bytes.data(), bytes.size());
        if (!text.empty() && text.back() == L'\0')
            return "sz0:" + Utf8(text.substr(0, text.size() - 1));
        return "sz:" + Utf8(text);
    }
    return "type" + std::to_string(type) + ":" + Hex(bytes);
}

void ReadTree(HKEY key, const std::string& path, std::vector<std::string>& values) {
    for (DWORD i = 0;; ++i) {
        std::array<wchar_t, 256> name{};
        DWORD nameLength = static_cast<DWORD>(name.size()), type = 0, size = 0;
        if (RegEnumValueW(key, i, name.data(), &nameLength, nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS) {
            break;
        }
        std::string bytes(size, '\0');
        RegQueryValueExW(key, name.data(), nullptr, nullptr, reinterpret_cast<BYTE*>(bytes.data()),
                         &size);
        values.push_back(path + Utf8(name.data()) + "=" + Describe(type, bytes));
    }
    for (DWORD i = 0;; ++i) {
        std::array<wchar_t, 256> name{};
        HKEY child = nullptr;
        if (RegEnumKeyW(key, i, name.data(), static_cast<DWORD>(name.size())) != ERROR_SUCCESS)
            break;
        if (RegOpenKeyExW(key, name.data(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        ReadTree(child, path + Utf8(name.data()) + "\\", values);
        RegCloseKey(child);
    }
}

}  // namespace

std::string Hex(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += kDigits[static_cast<unsigned char>(c) >> 4];
        hex += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return hex;
}

void DeleteProductKey() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kProductKey);
}

void StoreValue(const std::string& value) {
    const std::size_t equals = value.find('='), colon = value.find(':', equals);
    const std::string path = value.substr(0, equals),
                      kind = value.substr(equals + 1, colon - equals - 1);
    const std::string payload = value.substr(colon + 1);
    DWORD type = REG_DWORD;
    std::string bytes;
    if (kind == "dword") {
        const DWORD number = std::stoul(payload);
        bytes.assign(reinterpret_cast<const char*>(&number), sizeof(number));
    }
    for (const Kind& k : kKinds) {
        if (kind != k.name) continue;
        type = k.type;
        bytes = k.text ? Utf16Bytes(Wide(payload)) : Unhex(payload);
        if (k.text && k.terminated) bytes.append(2, '\0');
    }
    std::wstring key = kProductKey;
    const std::size_t slash = path.rfind('\\');
    if (slash != std::string::npos) key += L"\\" + Wide(path.substr(0, slash));
    HKEY handle = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle,
                    nullptr);
    RegSetValueExW(handle, Wide(path.substr(slash + 1)).c_str(), 0, type,
                   reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
    RegCloseKey(handle);
}

void MakeProductKeysReadOnly() {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    alignas(DWORD) std::array<BYTE, 128> aclBytes{};
    ACL* acl = reinterpret_cast<ACL*>(aclBytes.data());
    InitializeAcl(acl, static_cast<DWORD>(aclBytes.size()), ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone);
    SECURITY_DESCRIPTOR descriptor{};
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    for (const std::wstring& path :
         {std::wstring(kProductKey), std::wstring(kProductKey) + L"\\State"}) {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr);
        EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    FreeSid(everyone);
}

std::vector<std::string> ValuesUnder(HKEY root, const std::wstring& path) {
    std::vector<std::string> values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    ReadTree(key, "", values);
    RegCloseKey(key);
    return values;
}

std::vector<std::string> ProductValues() {
    return ValuesUnder(HKEY_LOCAL_MACHINE, kProductKey);
}

std::vector<std::string> ChangedValues(const std::vector<std::string>& before,
                                       const std::vector<std::string>& after) {
    const std::set<std::string> old(before.begin(), before.end()), now(after.begin(), after.end());
    std::set<std::string> changed, names;
    for (const std::string& value : now) {
        names.insert(value.substr(0, value.find('=')));
        if (!old.contains(value)) changed.insert(value);
    }
    for (const std::string& value : old) {
        const std::string name = value.substr(0, value.find('='));
        if (!names.contains(name)) changed.insert(name + "=deleted");
    }
    return {changed.begin(), changed.end()};
}
