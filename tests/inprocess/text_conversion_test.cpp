#include <windows.h>

#include <gtest/gtest.h>

#include <utility>

#include "account/password_digest.h"
#include "tests/blackbox/service.h"

// The digest is the MD5 of the password's bytes in the ANSI code page, which the
// test set-up pins to 1252.
TEST(PasswordDigest, HashesTheCodePageBytes) {
    if (!UnderWine() && GetACP() != 1252)
        GTEST_SKIP() << "its rows are of code page 1252; this system's is " << GetACP();
    ASSERT_EQ(GetACP(), 1252u);
    const std::pair<const wchar_t*, const wchar_t*> rows[] = {
        {L"", L""},
        {L"abc", L"900150983cd24fb0d6963f7d28e17f72"},
        {L"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         L"57edf4a22be3c955ac49da2e2107b67a"},
        {L"\u00e9", L"3406877694691ddd1dfb0aca54681407"},      // the byte 0xE9
        {L"\u4e2d", L"d1457b72c3fb323a2671125aef3eab5d"},      // not in the code page: "?"
        {L"pass\u03a9", L"619b668ed6458c62041531f1880a6429"},  // Omega's best fit: "passO"
    };
    for (const auto& [password, digest] : rows) {
        EXPECT_EQ(HashPassword(password), digest) << testing::PrintToString(std::wstring(password));
    }
}
