#include "net/debug_line.h"

#include <gtest/gtest.h>

TEST(DebugLine, ThreeFormats) {
    EXPECT_EQ(FormatDebugLine(L"[TirnaNet] send post succeeded."),
              L"[TirnaParental] [TirnaNet] send post succeeded.");
    EXPECT_EQ(FormatDebugLine(L"Started UI Auth with param:", L"/installer"),
              L"[TirnaParental] Started UI Auth with param: /installer");
    EXPECT_EQ(FormatDebugLine(L"Started UI Auth with param:", L""),
              L"[TirnaParental] Started UI Auth with param: ");
    EXPECT_EQ(FormatDebugLine(L"code:", -10), L"[TirnaParental] code: -10");
    EXPECT_EQ(FormatDebugLine(L"code:", 0), L"[TirnaParental] code: 0");
    EXPECT_EQ(FormatDebugLine(L"code:", INT32_MIN), L"[TirnaParental] code: -2147483648");
}

TEST(DebugLine, CutAt1023CharactersPlusTerminator) {
    const std::wstring line = FormatDebugLine(L"content:", std::wstring(5000, L'z'));
    ASSERT_EQ(line.size(), kDebugLineCapacity - 1);
    EXPECT_EQ(line.substr(0, 25), L"[TirnaParental] content: ");
    EXPECT_EQ(line.back(), L'z');

    const std::wstring exact(1023 - kDebugLinePrefix.size(), L'm');
    EXPECT_EQ(FormatDebugLine(exact).size(), 1023u);
    EXPECT_EQ(FormatDebugLine(exact + L"n").size(), 1023u);
}

TEST(DebugLine, TextArgumentEndsAtItsFirstNul) {
    const std::wstring withNul(L"abc\0def", 7);
    EXPECT_EQ(FormatDebugLine(L"m", withNul), L"[TirnaParental] m abc");
}
