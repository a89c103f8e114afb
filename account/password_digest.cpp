#include "account/password_digest.h"

#include <array>
#include <string>

#include "win/crypt.h"

namespace {

constexpr DWORD kMd5Size = 16;

// The password as the ANSI code page writes it, without a terminator; characters
// the code page lacks become its best fit or its default character.
std::string AnsiBytes(std::wstring_view text) {
    const int length = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), length, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

// Two lowercase digits per byte, a leading "0" below 16.
std::wstring LowercaseHex(const std::array<BYTE, kMd5Size>& bytes) {
    constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring text;
    for (const BYTE byte : bytes) {
        text.push_back(kDigits[byte >> 4]);
        text.push_back(kDigits[byte & 0x0F]);
    }
    return text;
}

}  // namespace

std::wstring HashPassword(std::wstring_view password) {
    if (password.empty()) return {};
    const std::string bytes = AnsiBytes(password);
    CryptProvider provider;
    if (!CryptAcquireContextW(provider.Put(), nullptr, nullptr, PROV_RSA_FULL,
                              CRYPT_VERIFYCONTEXT | CRYPT_MACHINE_KEYSET)) {
        return {};
    }
    CryptHash hash;
    if (!CryptCreateHash(provider.Get(), CALG_MD5, 0, 0, hash.Put())) return {};
    std::array<BYTE, kMd5Size> digest{};
    DWORD digestSize = kMd5Size;
    if (!CryptHashData(hash.Get(), reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()), 0) ||
        !CryptGetHashParam(hash.Get(), HP_HASHVAL, digest.data(), &digestSize, 0)) {
        return {};
    }
    return LowercaseHex(digest);
}
