#include "tests/support/message_box_hook.h"

#include <gtest/gtest.h>

namespace {

// The hook recovers the style from the box's windows; boxes of known flags prove the decoding.
TEST(MessageBoxHook, RecordsTitleTextAndStyleAndAnswers) {
    const struct {
        UINT flags;
        int answer;
    } cases[] = {{0, IDOK},
                 {MB_YESNO | MB_ICONQUESTION, IDNO},
                 {MB_OK | MB_ICONEXCLAMATION, IDOK},
                 {MB_YESNO | MB_ICONEXCLAMATION, IDYES}};
    for (const auto& c : cases) {
        MessageBoxHook hook(c.answer);
        EXPECT_EQ(MessageBoxW(nullptr, L"Line one\nline two", L"A title", c.flags), c.answer);
        ASSERT_EQ(hook.Boxes().size(), 1u) << c.flags;
        const MessageBoxRecord& box = hook.Boxes()[0];
        EXPECT_EQ(box.title, L"A title");
        EXPECT_EQ(box.text, L"Line one\nline two");
        EXPECT_EQ(box.style, c.flags);
        EXPECT_EQ(box.owner, nullptr);
    }
}

}  // namespace
