#include "win/settings_store.h"

#include <windows.h>
#include <shlwapi.h>

#include <array>

#include "win/scoped.h"

namespace {

constexpr wchar_t kTempA[] = L"TempA";
constexpr wchar_t kDevAuthState[] = L"DevAuthState";
constexpr wchar_t kUserId[] = L"UID";
constexpr wchar_t kRegSucceeded[] = L"RegSucceeded";
constexpr wchar_t kAuthUserName[] = L"AuthInfoUserName";
constexpr wchar_t kAuthDigest[] = L"AuthInfoMD5";

void EnsureKey(const wchar_t* path) {
    HKEY key = nullptr;
    RegCreateKeyW(HKEY_LOCAL_MACHINE, path, &key);
    UniqueRegKey closer(key);
}

void SetDword(const wchar_t* keyPath, const wchar_t* name, std::uint32_t value) {
    DWORD data = value;
    SHSetValueW(HKEY_LOCAL_MACHINE, keyPath, name, REG_DWORD, &data, sizeof(data));
}

// Text is stored without its terminator: 2 bytes per character. The registry
// stores a terminator anyway when the character after the counted bytes is a NUL,
// so the data handed over is followed by a character that is not one.
void SetTextWithoutTerminator(const wchar_t* keyPath, const wchar_t* name, std::wstring_view text) {
    std::wstring data(text);
    data.push_back(L'\xFFFF');
    SHSetValueW(HKEY_LOCAL_MACHINE, keyPath, name, REG_SZ, data.data(),
                static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

// Reads a text value through a zero-filled buffer of 260 characters, which supplies
// the terminator. A failed read (a text too long for the buffer included) or an
// empty text is missing.
bool ReadText(const wchar_t* name, std::wstring& out) {
    out.clear();
    std::array<wchar_t, kTextBufferSize> buffer{};
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    if (SHGetValueW(HKEY_LOCAL_MACHINE, kStateKey, name, nullptr, buffer.data(), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    // A text of 260 characters stored without a terminator fills the whole buffer:
    // it is longer than 259 characters and so reads as missing.
    if (buffer.back() != L'\0' || buffer[0] == L'\0') return false;
    out.assign(buffer.data());
    return true;
}

}  // namespace

void WriteTempA(std::uint32_t value) {
    SetDword(kProductKey, kTempA, value);
}

void WriteDevAuthState(std::uint32_t value) {
    EnsureKey(kProductKey);
    SetDword(kProductKey, kDevAuthState, value);
}

void WriteUserId(std::uint32_t value) {
    EnsureKey(kProductKey);
    SetDword(kProductKey, kUserId, value);
}

bool ReadRegSucceeded() {
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (SHGetValueW(HKEY_LOCAL_MACHINE, kStateKey, kRegSucceeded, nullptr, &value, &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    return size == sizeof(value) && value == 1;
}

void WriteRegSucceeded(std::uint8_t value) {
    EnsureKey(kProductKey);
    EnsureKey(kStateKey);
    SetDword(kStateKey, kRegSucceeded, value);
}

bool HasStoredCredentials() {
    std::wstring text;
    return ReadText(kAuthUserName, text) && ReadText(kAuthDigest, text);
}

void WriteAuthUserName(std::wstring_view userName) {
    EnsureKey(kProductKey);
    SetTextWithoutTerminator(kStateKey, kAuthUserName, userName);
}

bool ReadAuthUserName(std::wstring& userName) {
    return ReadText(kAuthUserName, userName);
}

void WriteAuthDigest(std::wstring_view digest) {
    EnsureKey(kProductKey);
    SetTextWithoutTerminator(kStateKey, kAuthDigest, digest);
}

bool ReadAuthDigest(std::wstring& digest) {
    return ReadText(kAuthDigest, digest);
}
