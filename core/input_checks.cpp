#include "core/input_checks.h"

#include "core/utf8.h"

namespace {

constexpr std::wstring_view kBothFieldsText =
    L"Please make sure you type both a username and a password.";
constexpr std::wstring_view kSignInUnsafeText =
    L"Please do not use special characters like ?!,;'\"\\/ in your username";
constexpr std::wstring_view kNewAccountUnsafeText =
    L"Please do not use special characters like ?!,;'\"\\/ in your username or email.";
constexpr std::wstring_view kSamePasswordText =
    L"Please make sure you type the same password in both password fields.";
constexpr std::wstring_view kShorterUserNameText = L"Please use a shorter username or email.";
constexpr std::wstring_view kProfileNameMissingText =
    L"Please type a name for the new child profile.";
constexpr std::wstring_view kProfileNameOrExistingText =
    L"Please type a name for the new child profile or use an existing profile.";
constexpr std::wstring_view kProfileUnsafeText =
    L"Please do not use special characters like ?!,;'\"\\/.";
constexpr std::wstring_view kShorterProfileNameText =
    L"Please use a shorter name for the child profile.";

bool HasAnyOf(std::wstring_view text, std::wstring_view chars) {
    return text.find_first_of(chars) != std::wstring_view::npos;
}

// A typed value goes out through a 260-byte field buffer; a cut value would name
// another account or profile, so one that does not fit is refused instead.
bool FitsField(std::wstring_view text) {
    return ToUtf8Field(text).has_value();
}

}  // namespace

std::optional<std::wstring_view> CheckSignInInput(std::wstring_view userName,
                                                  std::wstring_view password) {
    if (userName.empty() || password.empty()) return kBothFieldsText;
    if (HasAnyOf(userName, kUnsafeAccountChars)) return kSignInUnsafeText;
    if (!FitsField(userName)) return kShorterUserNameText;
    return std::nullopt;
}

std::optional<std::wstring_view> CheckNewAccountFieldsGiven(std::wstring_view userName,
                                                            std::wstring_view password) {
    if (userName.empty() || password.empty()) return kBothFieldsText;
    return std::nullopt;
}

std::optional<std::wstring_view> CheckNewAccountInput(std::wstring_view userName,
                                                      std::wstring_view password,
                                                      std::wstring_view confirmation,
                                                      std::wstring_view email) {
    if (HasAnyOf(userName, kUnsafeAccountChars) || HasAnyOf(email, kUnsafeAccountChars)) {
        return kNewAccountUnsafeText;
    }
    if (!FitsField(userName) || !FitsField(email)) return kShorterUserNameText;
    if (password != confirmation) return kSamePasswordText;
    return std::nullopt;
}

std::optional<std::wstring_view> CheckNewProfileName(std::wstring_view name,
                                                     std::int32_t profileCount) {
    if (name.empty()) {
        return profileCount != 0 ? kProfileNameOrExistingText : kProfileNameMissingText;
    }
    if (HasAnyOf(name, kUnsafeProfileChars)) return kProfileUnsafeText;
    if (!FitsField(name)) return kShorterProfileNameText;
    return std::nullopt;
}
