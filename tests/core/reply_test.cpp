#include "net/reply.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "account/request_bodies.h"

#ifdef _WIN32
#include <cstdlib>
#endif

// A reply is judged by its first characters; an error reply's code and a success
// reply's user id are read as _wtoi reads them.
TEST(Reply, JudgedByItsFirstCharacters) {
    constexpr auto S = ReplyKind::Success, E = ReplyKind::Error, I = ReplyKind::Invalid;
    const std::optional<std::int32_t> none;
    const struct {
        std::wstring reply;
        ReplyKind kind;
        std::int32_t leadingInt;
        std::optional<std::int32_t> userId;
    } cases[] = {
        {L"0;", S, 0, none},
        {L"0;42", S, 0, 42},
        {L"0x9", S, 0, 9},  // the separator is skipped whatever it is
        {L"0;  +15;x", S, 0, 15},
        {L"0;abc", S, 0, none},
        {L"0;0", S, 0, none},
        {L"0;-7", S, 0, none},
        {L"0;2147483647", S, 0, 2147483647},
        {L"0012", S, 12, 12},
        {L"-5;x", E, -5, none},
        {L"-0", E, 0, none},
        {L"-2147483648", E, INT32_MIN, none},
        {L"-99999999999999999999999", E, INT32_MIN, none},
        {L"-x", I, 0, none},
        {L"-", I, 0, none},
        {L"- 5", I, 0, none},
        {L"+5", I, 5, none},
        {L"+-3", I, 0, none},
        {L"1;42", I, 1, none},
        {L"2147483648", I, 2147483647, none},
        {L"99999999999999999999999", I, 2147483647, none},
        {L" \t\n\v\f\r7", I, 7, none},
        {L" 0", I, 0, none},
        {L"\u00A0\u3000\u2028-3", I, -3, none},
        {std::wstring{L'\x85', L'5'}, I, 0, none},  // NEL is no white space here
        {L"\uFF14\uFF12", I, 42, none},
        {L"\u0661\u0660x", I, 10, none},
        {L"<html>", I, 0, none},
        {L"", I, 0, none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.reply));
        EXPECT_EQ(JudgeReply(c.reply), c.kind);
        EXPECT_EQ(ReadLeadingInt(c.reply), c.leadingInt);
        EXPECT_EQ(ParseUserId(c.reply), c.userId);
    }
    // The number ends with the text it is given.
    EXPECT_EQ(ReadLeadingInt(std::wstring_view(L"123456").substr(0, 3)), 123);
}

#ifdef _WIN32
// Every character of the basic plane before and after a digit, and as the
// sign's neighbour, reads as the system's own _wtoi reads it.
TEST(Reply, LeadingIntAgreesWithTheSystemWtoi) {
    for (unsigned code = 1; code <= 0xFFFF; ++code) {
        const wchar_t c = static_cast<wchar_t>(code);
        for (const std::wstring& text :
             {std::wstring{c, L'5'}, std::wstring{L'5', c, L'7'}, std::wstring{L'-', c, L'4'}}) {
            ASSERT_EQ(ReadLeadingInt(text), _wtoi(text.c_str())) << "U+" << std::hex << code;
        }
    }
}
#endif
