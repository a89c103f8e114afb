#include "net/utf8.h"

#include <gtest/gtest.h>

TEST(ToUtf8, AsTheSystemConversionGivesIt) {
    struct Case {
        std::wstring text;
        std::string utf8;
    };
    const Case cases[] = {
        {L"", ""},
        {L"ann&b=c+d%20", "ann&b=c+d%20"},
        {L"\u00e9", "\xC3\xA9"},
        {L"\u07FF\u0800", "\xDF\xBF\xE0\xA0\x80"},
        {L"Gr\u00fc\u00dfe \u03a9 \u6f22",
         "Gr\xC3\xBC\xC3\x9F"
         "e \xCE\xA9 \xE6\xBC\xA2"},
        {L"\uFFFF", "\xEF\xBF\xBF"},
        {L"\U0001F600", "\xF0\x9F\x98\x80"},
        {L"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
        // Unpaired surrogates become U+FFFD.
        {std::wstring{L'a', static_cast<wchar_t>(0xD800), L'b'},
         "a\xEF\xBF\xBD"
         "b"},
        {std::wstring{static_cast<wchar_t>(0xDC00)}, "\xEF\xBF\xBD"},
        {std::wstring{static_cast<wchar_t>(0xD83D)}, "\xEF\xBF\xBD"},
        {std::wstring{static_cast<wchar_t>(0xDE00), static_cast<wchar_t>(0xD83D)},
         "\xEF\xBF\xBD\xEF\xBF\xBD"},
        // A high surrogate followed by another high one, then a proper pair.
        {std::wstring{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xD83D),
                      static_cast<wchar_t>(0xDE00)},
         "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        // The text ends at its first NUL.
        {std::wstring(L"ab\0cd", 5), "ab"},
        {std::wstring(L"\0x", 2), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToUtf8(c.text), c.utf8) << testing::PrintToString(c.text);
    }
}

TEST(ToUtf8Field, FitsWhenTheBytesAndTerminatorFit260) {
    struct Case {
        std::wstring text;
        bool fits;
    };
    const Case cases[] = {
        {std::wstring(259, L'a'), true},
        {std::wstring(260, L'a'), false},
        {std::wstring(129, L'\u00e9') + L"a", true},  // 259 bytes
        {std::wstring(130, L'\u00e9'), false},        // 260 bytes
        {std::wstring(86, L'\u6f22') + L"a", true},   // 259 bytes
        {std::wstring(87, L'\u6f22'), false},         // 261 bytes
        {std::wstring(259, L'a') + std::wstring(1, L'\0') + L"tail", true},
        {L"", true},
    };
    for (const auto& c : cases) {
        const auto field = ToUtf8Field(c.text);
        EXPECT_EQ(field.has_value(), c.fits) << c.text.size();
        if (field) {
            EXPECT_EQ(*field, ToUtf8(c.text));
        }
    }
}

#ifndef _WIN32
// Where wchar_t holds whole code points, values past U+10FFFF are not text.
TEST(ToUtf8, CodePointsPastUnicodeBecomeReplacement) {
    EXPECT_EQ(ToUtf8(std::wstring{static_cast<wchar_t>(0x110000), L'a'}),
              "\xEF\xBF\xBD"
              "a");
}
#endif
