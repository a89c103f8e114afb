#pragma once
// The password digest: what the service receives and the store keeps instead of
// the password.

#include <string>
#include <string_view>

// 32 lowercase hex digits, the MD5 of the password's ANSI-code-page bytes (a
// character the code page lacks hashes as its stand-in, usually "?"). Empty for
// an empty password or when the hash service is unavailable.
[[nodiscard]] std::wstring HashPassword(std::wstring_view password);
