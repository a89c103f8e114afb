// The program's registry values, written and read back in their text form.

#include <array>
#include <cstring>
#include <set>

#include "tests/blackbox/harness.h"

#include <sddl.h>

namespace {

struct Kind {
    const char* name;
    DWORD type;
    int text;  // -1 hex bytes; else UTF-16 text with this many terminators
};
// clang-format off
constexpr Kind kKinds[] = {{"sz", REG_SZ, 0}, {"sz0", REG_SZ, 1}, {"expand0", REG_EXPAND_SZ, 1},
                           {"multi0", REG_MULTI_SZ, 1}, {"binary", REG_BINARY, -1}};
// clang-format on

std::string Describe(DWORD type, const std::string& bytes) {
    DWORD number = 0;
    std::memcpy(&number, bytes.data(), std::min(bytes.size(), sizeof(number)));
    if (type == REG_DWORD && bytes.size() == sizeof(number))
        return "dword:" + std::to_string(number);
    if (type != REG_SZ || bytes.size() % 2 != 0)
        return "type" + std::to_string(type) + ":" + Hex(bytes);
    std::wstring text(bytes.size() / 2, L'\0');
    std::memcpy(text.data(), bytes.data(), bytes.size());
    const bool terminated = !text.empty() && text.back() == L'\0';
    return (terminated ? "sz0:" : "sz:") + Utf8(text.substr(0, text.size() - terminated));
}

void ReadTree(HKEY key, const std::string& path, Strings& values) {
    std::array<wchar_t, 256> name{};
    for (DWORD i = 0, length = 256, type = 0, size = 0;
         RegEnumValueW(key, i, name.data(), &length, nullptr, &type, nullptr, &size) ==
         ERROR_SUCCESS;
         ++i, length = 256) {
        std::string bytes(size, '\0');
        RegQueryValueExW(key, name.data(), nullptr, nullptr, reinterpret_cast<BYTE*>(bytes.data()),
                         &size);
        values.push_back(path + Utf8(name.data()) + "=" + Describe(type, bytes));
    }
    for (DWORD i = 0; RegEnumKeyW(key, i, name.data(), 256) == ERROR_SUCCESS; ++i) {
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, name.data(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
        ReadTree(child, path + Utf8(name.data()) + "\\", values);
        RegCloseKey(child);
    }
}

}  // namespace

std::string Hex(std::string_view bytes) {
    std::string hex;
    for (const char c : bytes) {
        hex += "0123456789abcdef"[static_cast<unsigned char>(c) >> 4];
        hex += "0123456789abcdef"[c & 15];
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
    DWORD type = REG_DWORD, number = 0;
    std::string bytes;
    if (kind == "dword") number = std::stoul(payload);
    bytes.assign(reinterpret_cast<const char*>(&number), sizeof(number));
    for (const Kind& k : kKinds) {
        if (kind != k.name) continue;
        type = k.type;
        bytes.clear();
        for (std::size_t i = 0; k.text < 0 && i + 1 < payload.size(); i += 2) {
            bytes += static_cast<char>(std::stoi(payload.substr(i, 2), nullptr, 16));
        }
        const std::wstring text = Wide(payload) + std::wstring(std::max(k.text, 0), L'\0');
        if (k.text >= 0) bytes.assign(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    }
    // Followed by no NUL, or the registry stores a terminator too; the size stored is checked.
    const std::string data = bytes + "\xFF\xFF";
    const std::size_t slash = path.rfind('\\');
    const std::wstring key =
        kProductKey + (slash == std::string::npos ? L"" : L"\\" + Wide(path.substr(0, slash)));
    const std::wstring name = Wide(path.substr(slash + 1));
    RegSetKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), name.c_str(), type, data.data(),
                    static_cast<DWORD>(bytes.size()));
    HKEY opened = nullptr;
    DWORD stored = 0;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &opened);
    RegQueryValueExW(opened, name.c_str(), nullptr, nullptr, nullptr, &stored);
    RegCloseKey(opened);
    ASSERT_EQ(stored, bytes.size()) << "bytes stored for " << value;
}

void DenyValueWrites(bool deny) {
    PSECURITY_DESCRIPTOR security = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
        deny ? L"D:(D;;0x2;;;WD)(A;;KA;;;WD)" : L"D:(A;;KA;;;WD)", SDDL_REVISION_1, &security,
        nullptr));
    for (const std::wstring& path :
         {std::wstring(kProductKey), kProductKey + std::wstring(L"\\State")}) {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, WRITE_DAC, &key),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, security), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    LocalFree(security);
}

Strings ValuesUnder(HKEY root, const std::wstring& path) {
    Strings values;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return values;
    ReadTree(key, "", values);
    RegCloseKey(key);
    return values;
}

Strings ChangedValues(const Strings& before, const Strings& after) {
    const auto name = [](const std::string& value) { return value.substr(0, value.find('=')); };
    std::set<std::string> changed, names;
    for (const std::string& value : after) {
        names.insert(name(value));
        if (std::find(before.begin(), before.end(), value) == before.end()) changed.insert(value);
    }
    for (const std::string& value : before) {
        if (!names.contains(name(value))) changed.insert(name(value) + "=deleted");
    }
    return {changed.begin(), changed.end()};
}
