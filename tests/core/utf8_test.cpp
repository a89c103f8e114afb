#include "net/utf8.h"

#include <gtest/gtest.h>

namespace {

template <typename Text>
Text Times(int count, const Text& text) {
    Text repeated;
    for (int i = 0; i < count; ++i) repeated += text;
    return repeated;
}

constexpr wchar_t kHigh = static_cast<wchar_t>(0xD83D);
constexpr wchar_t kLow = static_cast<wchar_t>(0xDE00);
const std::string kReplacement = "\xEF\xBF\xBD";
const std::string kEmojiUtf8 = "\xF0\x9F\x98\x80";

}  // namespace

// As the system's UTF-8 conversion gives it; a field holds 259 bytes and its terminator.
TEST(Utf8, TextAsRequestBodiesCarryIt) {
    const struct {
        std::wstring text;
        std::string utf8;
        bool fitsField;
    } cases[] = {
        {L"", "", true},
        {L"\u00e9\u07FF\u0800\uFFFF", "\xC3\xA9\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF", true},
        {L"\U0001F600\U0010FFFF", "\xF0\x9F\x98\x80\xF4\x8F\xBF\xBF", true},
        // An unpaired surrogate becomes U+FFFD, one for each.
        {std::wstring{L'a', kHigh, L'b'}, "a" + kReplacement + "b", true},
        {std::wstring{kLow}, kReplacement, true},
        {std::wstring{kHigh}, kReplacement, true},
        {std::wstring{kLow, kHigh}, kReplacement + kReplacement, true},
        {std::wstring{kHigh, kHigh, kLow}, kReplacement + kEmojiUtf8, true},
#ifndef _WIN32
        // Where wchar_t holds whole code points, values past U+10FFFF are no text.
        {std::wstring{static_cast<wchar_t>(0x110000), L'a'}, kReplacement + "a", true},
#endif
        // The text ends at its first NUL.
        {std::wstring(259, L'a') + L'\0' + L"tail", std::string(259, 'a'), true},
        {std::wstring(259, L'a'), std::string(259, 'a'), true},
        {std::wstring(260, L'a'), std::string(260, 'a'), false},
        {std::wstring(129, L'\u00e9') + L"a", Times(129, std::string("\xC3\xA9")) + "a", true},
        {std::wstring(130, L'\u00e9'), Times(130, std::string("\xC3\xA9")), false},
        {std::wstring(86, L'\u6f22') + L"a", Times(86, std::string("\xE6\xBC\xA2")) + "a", true},
        {std::wstring(87, L'\u6f22'), Times(87, std::string("\xE6\xBC\xA2")), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(ToUtf8(c.text), c.utf8);
        EXPECT_EQ(ToUtf8Field(c.text), c.fitsField ? std::optional(c.utf8) : std::nullopt);
    }
}
