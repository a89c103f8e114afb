#include "account/input_checks.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::wstring kBothFields = L"Please make sure you type both a username and a password.";
const std::wstring kSignInUnsafe =
    L"Please do not use special characters like ?!,;'\"\\/ in your username";
const std::wstring kAccountUnsafe =
    L"Please do not use special characters like ?!,;'\"\\/ in your username or email.";
const std::wstring kSamePassword =
    L"Please make sure you type the same password in both password fields.";
const std::wstring kShorterUserName = L"Please use a shorter username or email.";
const std::wstring kNameMissing = L"Please type a name for the new child profile.";
const std::wstring kNameOrExisting =
    L"Please type a name for the new child profile or use an existing profile.";
const std::wstring kProfileUnsafe = L"Please do not use special characters like ?!,;'\"\\/.";
const std::wstring kShorterProfileName = L"Please use a shorter name for the child profile.";

// 259 bytes of UTF-8 fit the field; 260 do not.
const std::wstring kFits(259, L'n');
const std::wstring kTooLong(260, L'n');
// 130 two-byte characters: 260 bytes, though only 130 characters.
const std::wstring kTooLongInUtf8(130, L'\u00e9');

std::wstring Message(const std::optional<std::wstring_view>& message) {
    return message ? std::wstring(*message) : L"<accepted>";
}

}  // namespace

TEST(UnsafeChars, ExactSets) {
    EXPECT_EQ(UnsafeAccountChars, L";?!,'\"\\/");
    EXPECT_EQ(UnsafeProfileChars, L";?!@,'\"\\/");
}

TEST(SignInInput, FirstFailingCheckGivesTheMessage) {
    struct Case {
        std::wstring userName, password, message;
    };
    const Case cases[] = {
        {L"", L"", kBothFields},
        {L"ann", L"", kBothFields},
        {L"", L"pw", kBothFields},
        // Emptiness comes first, even for an unsafe name.
        {L"a;b", L"", kBothFields},
        {L"a;b", L"pw", kSignInUnsafe},
        {L"ann?", L"pw", kSignInUnsafe},
        {L"/", L"pw", kSignInUnsafe},
        {L"\"ann\"", L"pw", kSignInUnsafe},
        {L"ann\\x", L"pw", kSignInUnsafe},
        // The password is not searched; an e-mail address is a user name.
        {L"ann", L"p;w!?", L"<accepted>"},
        {L"ann@example.com", L"pw", L"<accepted>"},
        // Nothing is trimmed.
        {L"  ann  ", L" ", L"<accepted>"},
        {kFits, L"pw", L"<accepted>"},
        {kTooLong, L"pw", kShorterUserName},
        {kTooLongInUtf8, L"pw", kShorterUserName},
        {kTooLong + L";", L"pw", kSignInUnsafe},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Message(CheckSignInInput(c.userName, c.password)), c.message)
            << ::testing::PrintToString(c.userName);
    }
}

TEST(NewAccountInput, FieldsGivenComesFirst) {
    EXPECT_EQ(Message(CheckNewAccountFieldsGiven(L"", L"")), kBothFields);
    EXPECT_EQ(Message(CheckNewAccountFieldsGiven(L"ann", L"")), kBothFields);
    EXPECT_EQ(Message(CheckNewAccountFieldsGiven(L"", L"pw")), kBothFields);
    EXPECT_EQ(Message(CheckNewAccountFieldsGiven(L"a;b", L"pw")), L"<accepted>");
}

TEST(NewAccountInput, FirstFailingCheckGivesTheMessage) {
    struct Case {
        std::wstring userName, password, confirmation, email, message;
    };
    const Case cases[] = {
        {L"ann", L"pw", L"pw", L"", L"<accepted>"},
        {L"ann", L"pw", L"pw", L"ann@example.com", L"<accepted>"},
        {L"a,b", L"pw", L"pw", L"", kAccountUnsafe},
        {L"ann", L"pw", L"pw", L"o'neil@example.com", kAccountUnsafe},
        // Characters come before the password comparison.
        {L"a!b", L"pw", L"other", L"", kAccountUnsafe},
        {L"ann", L"pw", L"PW", L"", kSamePassword},
        {L"ann", L"pw", L"", L"", kSamePassword},
        {L"ann", L"pw", L"pw ", L"", kSamePassword},
        // Passwords may hold any character.
        {L"ann", L"p;w'", L"p;w'", L"", L"<accepted>"},
        {kTooLong, L"pw", L"pw", L"", kShorterUserName},
        {L"ann", L"pw", L"pw", kTooLongInUtf8, kShorterUserName},
        {kFits, L"pw", L"pw", kFits, L"<accepted>"},
        // Length comes before the password comparison.
        {L"ann", L"pw", L"x", kTooLong, kShorterUserName},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Message(CheckNewAccountInput(c.userName, c.password, c.confirmation, c.email)),
                  c.message)
            << ::testing::PrintToString(c.userName);
    }
}

TEST(NewProfileName, FirstFailingCheckGivesTheMessage) {
    struct Case {
        std::wstring name;
        std::int32_t profileCount;
        std::wstring message;
    };
    const Case cases[] = {
        {L"", 0, kNameMissing},
        {L"", 2, kNameOrExisting},
        // Any announced count other than 0 points to the list, a negative one too.
        {L"", -1, kNameOrExisting},
        {L"Beta Two", 0, L"<accepted>"},
        {L"kid@home", 0, kProfileUnsafe},
        {L"Ann's", 3, kProfileUnsafe},
        {L"a;b", 0, kProfileUnsafe},
        {L"100%&=+", 0, L"<accepted>"},
        {kFits, 0, L"<accepted>"},
        {kTooLongInUtf8, 0, kShorterProfileName},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Message(CheckNewProfileName(c.name, c.profileCount)), c.message)
            << ::testing::PrintToString(c.name);
    }
}
