#pragma once
// Bodies of the account requests and what their replies carry. Values are
// inserted as UTF-8, never escaped; each must fit the 259-byte field buffer.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// "action=authuser&did=<id>&uname=<user name>&pmd5=<digest>". Nothing when the
// user name or the digest does not fit its field: a cut name would ask about
// another account.
[[nodiscard]] std::optional<std::string> BuildAuthUserBody(std::string_view deviceId,
                                                           std::wstring_view userName,
                                                           std::wstring_view digest);

// The account's user id in an authuser success reply: "0", one separator of any
// kind, then the number. Only a number greater than 0 is a user id.
[[nodiscard]] std::optional<std::int32_t> ParseUserId(std::wstring_view reply);
