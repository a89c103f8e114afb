#pragma once
// Every value the program keeps between runs: machine-wide registry values under
// HKEY_LOCAL_MACHINE. Nothing is cached; every read goes to the registry. Writes
// never report failure: a user without the right to write machine-wide settings
// simply leaves them as they were.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/text_buffer.h"

inline constexpr wchar_t kProductKey[] = L"SOFTWARE\\TirnaParental";
inline constexpr wchar_t kStateKey[] = L"SOFTWARE\\TirnaParental\\State";


// Outcome of a "/signin" run, for the rest of the product.
void WriteTempA(std::uint32_t value);
// Outcome of the silent credential check at an ordinary start.
void WriteDevAuthState(std::uint32_t value);
// The account's user number from the service.
void WriteUserId(std::uint32_t value);

// True only when "RegSucceeded" reads as a 4-byte value equal to 1.
[[nodiscard]] bool ReadRegSucceeded();
void WriteRegSucceeded(std::uint8_t value);

// True only when neither the stored user name nor the digest is missing or empty.
[[nodiscard]] bool HasStoredCredentials();

void WriteAuthUserName(std::wstring_view userName);
// Empties `userName`; fills it and returns true when a non-empty name is stored.
bool ReadAuthUserName(std::wstring& userName);

void WriteAuthDigest(std::wstring_view digest);
// As ReadAuthUserName, for the password digest.
bool ReadAuthDigest(std::wstring& digest);
