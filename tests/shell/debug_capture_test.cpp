#include "tests/support/debug_capture.h"

#include <gtest/gtest.h>

#include "net/debug_log.h"

// The capture sees this process's lines in order, as the ANSI text a debugger
// gets: "\u00e9" as the byte 0xE9, "\u03a9" by its best-fit "O".
TEST(DebugCapture, OwnLinesInOrderAsAnsiText) {
    DebugCapture capture;
    ASSERT_TRUE(capture.Active());
    DebugLog(L"first");
    DebugLog(L"Andr\u00e9 \u03a9", 7);
    OutputDebugStringW(L"raw");
    EXPECT_EQ(capture.Lines(), (std::vector<std::string>{"[TirnaParental] first",
                                                         "[TirnaParental] Andr\xE9 O 7", "raw"}));
    capture.Clear();
    DebugLog(L"after clear");
    EXPECT_EQ(capture.Lines(), std::vector<std::string>{"[TirnaParental] after clear"});
}
