#pragma once
// What the account handlers refuse before anything is sent. Each check returns
// the input-error message to show (under "Tirna - Input error", style 0), or
// nothing when the input may be sent.

#include <cstdint>
#include <optional>
#include <string_view>

// Refused in user names and e-mail addresses; "@" is allowed, so an e-mail
// address serves as a user name.
inline constexpr std::wstring_view kUnsafeAccountChars = L";?!,'\"\\/";
// Refused in a new child profile's name: the account set and "@".
inline constexpr std::wstring_view kUnsafeProfileChars = L";?!@,'\"\\/";

// Shown when an existing profile is to be sent but none of the listed ones is chosen.
inline constexpr std::wstring_view kNoProfileChosenText =
    L"Please choose a child profile or create a new one.";

// Sign-in: both fields given, no unsafe character in the user name, and the user
// name fits its 259-byte field as UTF-8 (the credential request sends nothing
// otherwise). The password is neither searched nor trimmed.
[[nodiscard]] std::optional<std::wstring_view> CheckSignInInput(std::wstring_view userName,
                                                                std::wstring_view password);

// Account creation, first step: user name and password given. The confirmation
// is not looked at here.
[[nodiscard]] std::optional<std::wstring_view> CheckNewAccountFieldsGiven(
    std::wstring_view userName, std::wstring_view password);

// Account creation, after the e-mail question: no unsafe character in the user
// name, then in the e-mail address; both fit their fields; the confirmation
// equals the password exactly.
[[nodiscard]] std::optional<std::wstring_view> CheckNewAccountInput(std::wstring_view userName,
                                                                    std::wstring_view password,
                                                                    std::wstring_view confirmation,
                                                                    std::wstring_view email);

// A new child profile's name: given, free of unsafe characters, fitting its
// field. The empty-name message also points to the listed profiles when the
// service announced any.
[[nodiscard]] std::optional<std::wstring_view> CheckNewProfileName(std::wstring_view name,
                                                                   std::int32_t profileCount);
