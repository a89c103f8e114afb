#include "account/password_digest.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

// The program hashes the password's ANSI-code-page bytes; these tests run with
// code page 1252, as the test set-up pins it.
class PasswordDigest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(GetACP(), 1252u); }
};

std::string AnsiBytesOf(const std::wstring& text) {
    std::string bytes(text.size() * 2, '\0');
    const int size =
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                            static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(static_cast<std::size_t>(size > 0 ? size : 0));
    return bytes;
}

}  // namespace

TEST_F(PasswordDigest, Rfc1321Vectors) {
    struct Case {
        const wchar_t* password;
        const wchar_t* digest;
    };
    const Case cases[] = {
        {L"", L""},
        {L"a", L"0cc175b9c0f1b6a831c399e269772661"},
        {L"abc", L"900150983cd24fb0d6963f7d28e17f72"},
        {L"message digest", L"f96b697d7cb7938d525a2f31aaf161d0"},
        {L"abcdefghijklmnopqrstuvwxyz", L"c3fcd3d76192e4007dfb496cca67e13b"},
        {L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         L"d174ab98d277d9f5a5611c2c9f419d9f"},
        {L"1234567890123456789012345678901234567890123456789012345678901234567890123456789"
         L"0",
         L"57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HashPassword(c.password), c.digest)
            << testing::PrintToString(std::wstring(c.password));
    }
}

TEST_F(PasswordDigest, HashesTheCodePageBytes) {
    struct Case {
        const wchar_t* password;
        const wchar_t* digest;  // MD5 of the 1252 bytes
    };
    const Case cases[] = {
        // Characters of code page 1252 hash as their single byte.
        {L"\u00e9", L"3406877694691ddd1dfb0aca54681407"},     // 0xE9
        {L"caf\u00e9", L"961f50f6282239d09e48f812c1ca7276"},  // "caf" 0xE9
        {L"\u20ac", L"8d39dd7eef115ea6975446ef4082951f"},     // 0x80
        // A character the code page lacks hashes as its default character "?".
        {L"\u4e2d", L"d1457b72c3fb323a2671125aef3eab5d"},      // "?"
        {L"pass\u4e2d", L"428bde5f8a604830a44bea30a6938980"},  // "pass?"
        // Omega has a best fit in 1252: the letter O.
        {L"pass\u03a9", L"619b668ed6458c62041531f1880a6429"},  // "passO"
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HashPassword(c.password), c.digest)
            << testing::PrintToString(std::wstring(c.password));
    }
}

TEST_F(PasswordDigest, SameAsTheTextTheCodePageMakesOfIt) {
    for (const std::wstring password : {L"pass\u03a9", L"\u4e2d\u6587", L"x\u0416y\u00e9"}) {
        const std::string bytes = AnsiBytesOf(password);
        std::wstring converted;
        for (const char byte : bytes) {
            wchar_t character = 0;
            MultiByteToWideChar(CP_ACP, 0, &byte, 1, &character, 1);
            converted.push_back(character);
        }
        EXPECT_NE(converted, password);
        EXPECT_EQ(HashPassword(password), HashPassword(converted));
    }
}
