#include "app/settings_store.h"

#include <gtest/gtest.h>

#include "tests/support/registry.h"

namespace {

class SettingsStore : public ::testing::Test {
  protected:
    void SetUp() override { DeleteProductKey(); }
    void TearDown() override { DeleteProductKey(); }
};

}  // namespace

TEST_F(SettingsStore, NothingStoredReadsAsMissing) {
    std::wstring text = L"left over";
    EXPECT_FALSE(ReadAuthUserName(text));
    EXPECT_EQ(text, L"");
    text = L"left over";
    EXPECT_FALSE(ReadAuthDigest(text));
    EXPECT_EQ(text, L"");
    EXPECT_FALSE(HasStoredCredentials());
    EXPECT_FALSE(ReadRegSucceeded());
}

TEST_F(SettingsStore, FirstWritesCreateTheKeys) {
    WriteTempA(1);
    EXPECT_EQ(ReadDword(kProductKey, L"TempA"), 1u);
    DeleteProductKey();
    WriteDevAuthState(1);
    EXPECT_EQ(ReadDword(kProductKey, L"DevAuthState"), 1u);
    DeleteProductKey();
    EXPECT_TRUE(WriteUserId(42));
    EXPECT_EQ(ReadDword(kProductKey, L"UID"), 42u);
    DeleteProductKey();
    EXPECT_TRUE(WriteRegSucceeded(1));
    EXPECT_EQ(ReadDword(kStateKey, L"RegSucceeded"), 1u);
    EXPECT_TRUE(ReadRegSucceeded());
    EXPECT_TRUE(WriteRegSucceeded(0));
    EXPECT_FALSE(ReadRegSucceeded());
}

TEST_F(SettingsStore, TextIsStoredWithoutTerminator) {
    EXPECT_TRUE(WriteAuthUserName(L"ann"));
    const auto name = ReadRawValue(kStateKey, L"AuthInfoUserName");
    ASSERT_TRUE(name.has_value());
    EXPECT_EQ(name->type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(name->bytes.size(), 6u);

    EXPECT_TRUE(WriteAuthDigest(L"0123456789abcdef0123456789abcdef"));
    const auto digest = ReadRawValue(kStateKey, L"AuthInfoMD5");
    ASSERT_TRUE(digest.has_value());
    EXPECT_EQ(digest->bytes.size(), 64u);

    EXPECT_TRUE(WriteAuthDigest(L""));
    EXPECT_EQ(ReadRawValue(kStateKey, L"AuthInfoMD5")->bytes.size(), 0u);
}

TEST_F(SettingsStore, NullDigestWritesNothing) {
    EXPECT_FALSE(WriteAuthDigest(nullptr));
    EXPECT_FALSE(ReadRawValue(kStateKey, L"AuthInfoMD5").has_value());
}

TEST_F(SettingsStore, TextsReadBackByLength) {
    struct Case {
        size_t length;
        bool present;
    };
    // 259 characters fit the 260-character buffer; 260 or more read as missing.
    const Case cases[] = {{1, true}, {100, true}, {259, true}, {260, false}, {300, false}};
    for (const auto& c : cases) {
        const std::wstring stored(c.length, L'n');
        WriteAuthUserName(stored);
        std::wstring read;
        EXPECT_EQ(ReadAuthUserName(read), c.present) << c.length;
        EXPECT_EQ(read, c.present ? stored : L"") << c.length;
        // Written by another program with its terminator: the same rule.
        WriteTextValue(kStateKey, L"AuthInfoUserName", stored);
        EXPECT_EQ(ReadAuthUserName(read), c.present) << c.length;
    }
}

TEST_F(SettingsStore, StoredCredentialsNeedBothTexts) {
    struct Case {
        const wchar_t* userName;  // nullptr: not stored
        const wchar_t* digest;
        bool expected;
    };
    static const std::wstring tooLong(300, L'a');
    const Case cases[] = {
        {L"ann", L"d41d8cd98f00b204e9800998ecf8427e", true},
        {L"", L"d41d8cd98f00b204e9800998ecf8427e", false},
        {L"ann", L"", false},
        {nullptr, L"d41d8cd98f00b204e9800998ecf8427e", false},
        {L"ann", nullptr, false},
        {tooLong.c_str(), L"d41d8cd98f00b204e9800998ecf8427e", false},
    };
    for (const auto& c : cases) {
        DeleteProductKey();
        if (c.userName != nullptr) WriteAuthUserName(c.userName);
        if (c.digest != nullptr) WriteAuthDigest(c.digest);
        EXPECT_EQ(HasStoredCredentials(), c.expected)
            << (c.userName ? c.userName : L"(none)") << " / " << (c.digest ? c.digest : L"(none)");
    }
}

TEST_F(SettingsStore, RegSucceededCountsOnlyAFourByteOne) {
    struct Case {
        DWORD type;
        std::vector<BYTE> bytes;
        bool expected;
    };
    const Case cases[] = {
        {REG_DWORD, {1, 0, 0, 0}, true},
        {REG_DWORD, {2, 0, 0, 0}, false},
        {REG_DWORD, {0, 0, 0, 0}, false},
        {REG_BINARY, {1, 0}, false},
        {REG_BINARY, {1, 0, 0, 0, 0, 0, 0, 0}, false},
        {REG_BINARY, {1, 0, 0, 0}, true},  // the type is not asked for, only the size
    };
    for (const auto& c : cases) {
        WriteRawValue(kStateKey, L"RegSucceeded", c.type, c.bytes.data(),
                      static_cast<DWORD>(c.bytes.size()));
        EXPECT_EQ(ReadRegSucceeded(), c.expected) << c.type << " size " << c.bytes.size();
    }
}
