#include "net/reply.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <cstdlib>
#endif

TEST(JudgeReply, ByTheFirstCharacters) {
    struct Case {
        const wchar_t* reply;
        ReplyKind kind;
    };
    const Case cases[] = {
        {L"0", ReplyKind::Success},   {L"0;12", ReplyKind::Success},   {L"0x", ReplyKind::Success},
        {L"-5", ReplyKind::Error},    {L"-5;x", ReplyKind::Error},     {L"-0", ReplyKind::Error},
        {L"-9999", ReplyKind::Error}, {L"-x", ReplyKind::Invalid},     {L"-", ReplyKind::Invalid},
        {L"--5", ReplyKind::Invalid}, {L"- 5", ReplyKind::Invalid},    {L"+5", ReplyKind::Invalid},
        {L"1", ReplyKind::Invalid},   {L"OK", ReplyKind::Invalid},     {L" 0", ReplyKind::Invalid},
        {L"", ReplyKind::Invalid},    {L"<html>", ReplyKind::Invalid},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(JudgeReply(c.reply), c.kind) << '"' << testing::PrintToString(c.reply) << '"';
    }
}

TEST(ReadLeadingInt, ReadsAsWtoiDoes) {
    struct Case {
        std::wstring text;
        std::int32_t value;
    };
    const Case cases[] = {
        {L"-5", -5},
        {L"-5;x", -5},
        {L"-0", 0},
        {L"0;12", 0},
        {L"12abc", 12},
        {L"0012", 12},
        {L"1 2", 1},
        {L"+8", 8},
        {L" \t\n\v\f\r7", 7},
        {L"\u00A0\u3000\u2028-3", -3},
        {L"", 0},
        {L"-", 0},
        {L"+", 0},
        {L"abc", 0},
        {L"- 5", 0},
        {L"+-3", 0},
        {L"--3", 0},
        {L"\x0085"
         L"5",
         0},
        {L"\uFF14\uFF12", 42},
        {L"\u0661\u0660x", 10},
        {L"2147483647", 2147483647},
        {L"2147483648", 2147483647},
        {L"99999999999999999999999", 2147483647},
        {L"-2147483648", INT32_MIN},
        {L"-2147483649", INT32_MIN},
        {L"-99999999999999999999999", INT32_MIN},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadLeadingInt(c.text), c.value) << testing::PrintToString(c.text);
    }
}

TEST(ReadLeadingInt, StopsAtTheEndOfTheView) {
    const std::wstring text = L"123456";
    EXPECT_EQ(ReadLeadingInt(std::wstring_view(text).substr(0, 3)), 123);
}

#ifdef _WIN32
// Every character of the basic plane before and after a digit, and as the
// sign's neighbour, reads as the system's own _wtoi reads it.
TEST(ReadLeadingInt, AgreesWithTheSystemWtoi) {
    for (unsigned code = 1; code <= 0xFFFF; ++code) {
        const wchar_t c = static_cast<wchar_t>(code);
        for (const std::wstring& text :
             {std::wstring{c, L'5'}, std::wstring{L'5', c, L'7'}, std::wstring{L'-', c, L'4'}}) {
            ASSERT_EQ(ReadLeadingInt(text), _wtoi(text.c_str())) << "U+" << std::hex << code;
        }
    }
}
#endif
