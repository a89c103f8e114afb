#pragma once
// Direct access to the program's registry values, for setting up and checking tests.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct RawValue {
    DWORD type = REG_NONE;
    std::vector<std::uint8_t> bytes;
};

// Removes HKLM\SOFTWARE\TirnaParental with everything below it.
void DeleteProductKey();

// A value as stored (type and bytes), or nothing when it does not exist.
std::optional<RawValue> ReadRawValue(const std::wstring& keyPath, const std::wstring& name);
// A REG_DWORD value, or nothing when it is missing or of another type or size.
std::optional<DWORD> ReadDword(const std::wstring& keyPath, const std::wstring& name);

void WriteRawValue(const std::wstring& keyPath, const std::wstring& name, DWORD type,
                   const void* data, DWORD size);
void WriteDwordValue(const std::wstring& keyPath, const std::wstring& name, DWORD value);
// Stores the text with its terminator, as other programs usually do.
void WriteTextValue(const std::wstring& keyPath, const std::wstring& name, const std::wstring& text);

// Stores a parent's user name and digest as a successful sign-in would.
void StoreCredentials(const std::wstring& userName, const std::wstring& digest);
