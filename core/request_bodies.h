#pragma once
// Bodies of the account requests and what their replies carry. Values are
// inserted as UTF-8, never escaped; each must fit the 259-byte field buffer.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

// "action=authuser&did=<id>&uname=<user name>&pmd5=<digest>". Nothing when the
// user name or the digest does not fit its field: a cut name would ask about
// another account.
[[nodiscard]] std::optional<std::string> BuildAuthUserBody(std::string_view deviceId,
                                                           std::wstring_view userName,
                                                           std::wstring_view digest);

// The account's user id in an authuser success reply: "0", one separator of any
// kind, then the number. Only a number greater than 0 is a user id.
[[nodiscard]] std::optional<std::int32_t> ParseUserId(std::wstring_view reply);

// "action=createuser&uname=<user name>&pmd5=<digest>&did=none", then
// "&email=<address>" only when an address was given. The handler refuses a user
// name or address that does not fit its field before building the body; a value
// that does not fit goes out empty.
[[nodiscard]] std::string BuildCreateUserBody(std::wstring_view userName, std::wstring_view digest,
                                              std::wstring_view email);

// "action=getprofiles&did=none&uname=<user name>&pmd5=<digest>" from the stored
// credentials. A missing value, or one that does not fit its field, goes out as an
// empty field: the request is sent in any case.
[[nodiscard]] std::string BuildGetProfilesBody(std::wstring_view userName,
                                               std::wstring_view digest);

// The child profile a device is bound to: a new one by name, or a listed one by id.
struct NewProfile {
    std::wstring name;
};
struct ExistingProfile {
    std::int32_t id = 0;
};
using ProfileChoice = std::variant<NewProfile, ExistingProfile>;

// "action=setprofile&uname=<user name>&pmd5=<digest>&did=<id>", then either
// "&profname=<name>" or "&profid=<id in decimal>". Stored values and names that do
// not fit their field go out empty, as in BuildGetProfilesBody.
[[nodiscard]] std::string BuildSetProfileBody(std::wstring_view userName, std::wstring_view digest,
                                              std::string_view deviceId,
                                              const ProfileChoice& choice);
