// Stored values that no run of the program wrote: too long, of the wrong type, of
// odd sizes. The program reads every text through a 260-character buffer without
// asking for the type, so a value that does not fit reads as missing and anything
// else reads as the text its bytes make. Neither the silent check of an ordinary
// start nor the sign-in page may do more with them than with values it wrote.

#include <gtest/gtest.h>

#include <cstring>

#include "app/settings_store.h"
#include "net/utf8.h"
#include "tests/faults/fault_harness.h"
#include "tests/support/form_fields.h"
#include "ui/controls.h"

namespace {

const std::wstring kDigest = L"900150983cd24fb0d6963f7d28e17f72";
// Expanded into stored REG_EXPAND_SZ texts: "bob", and a text longer than the
// buffer holds. Longer than 519 characters: Wine 8's SHGetValueW compares the
// expanded length in characters with the buffer size in bytes, so it cuts an
// expansion of 260 to 519 characters to 259 instead of failing the read.
const std::wstring kShortVariable = L"TIRNA_FAULT_SHORT_TEXT";
const std::wstring kLongVariable = L"TIRNA_FAULT_LONG_TEXT";
constexpr std::size_t kLongVariableLength = 600;
constexpr DWORD kSentinel = 7;

struct StoredValue {
    const wchar_t* name;
    DWORD type;
    std::string bytes;  // exactly what is stored
};

// A text's UTF-16 bytes, without a terminator.
std::string Utf16(std::wstring_view text) {
    std::string bytes(text.size() * sizeof(wchar_t), '\0');
    std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
}

// A text's UTF-16 bytes with the terminator, as other programs store text.
std::string Utf16z(std::wstring_view text) {
    return Utf16(text) + std::string(sizeof(wchar_t), '\0');
}

std::string DwordBytes(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}

std::vector<StoredValue> WithName(DWORD type, std::string bytes) {
    return {{L"AuthInfoUserName", type, std::move(bytes)},
            {L"AuthInfoMD5", REG_SZ, Utf16z(kDigest)}};
}

std::vector<StoredValue> WithDigest(DWORD type, std::string bytes) {
    return {{L"AuthInfoUserName", REG_SZ, Utf16z(L"ann")},
            {L"AuthInfoMD5", type, std::move(bytes)}};
}

std::vector<StoredValue> WithRegSucceeded(DWORD type, std::string bytes) {
    auto values = WithDigest(REG_SZ, Utf16z(kDigest));
    values.push_back({L"RegSucceeded", type, std::move(bytes)});
    return values;
}

// What the silent check of an ordinary start does with the stored values.
enum class Check {
    NotAsked,    // a value reads as missing: no request, "DevAuthState" untouched
    Asked,       // the request carries the texts read (the service refuses them)
    Unsendable,  // the name read does not fit its field: refused without a request
};

struct RegistryCase {
    const char* name;
    std::vector<StoredValue> values;
    bool ordinaryRun = true;
    Check check = Check::NotAsked;
    std::string sentName{};  // the fields of the request, when asked
    std::string sentDigest{};
    bool signInRun = true;
    std::wstring shownName{};  // in the sign-in page's user-name field
    bool linked = false;       // "RegSucceeded" reads as 1: the name is fixed
};

void PrintTo(const RegistryCase& c, std::ostream* out) {
    *out << c.name;
}

std::string CaseName(const ::testing::TestParamInfo<RegistryCase>& info) {
    return info.param.name;
}

const std::string kDigestUtf8 = ToUtf8(kDigest);

const RegistryCase kCases[] = {
    // The user name.
    {.name = "NameOf259Chars",
     .values = WithName(REG_SZ, Utf16z(std::wstring(259, L'a'))),
     .check = Check::Asked,
     .sentName = std::string(259, 'a'),
     .sentDigest = kDigestUtf8,
     .shownName = std::wstring(259, L'a')},
    {.name = "NameOf260CharsUnterminated",
     .values = WithName(REG_SZ, Utf16(std::wstring(260, L'a')))},
    {.name = "NameOf300Chars", .values = WithName(REG_SZ, Utf16z(std::wstring(300, L'a')))},
    {.name = "NameOf100000Chars", .values = WithName(REG_SZ, Utf16z(std::wstring(100000, L'a')))},
    {.name = "NameEmpty", .values = WithName(REG_SZ, Utf16z(L""))},
    {.name = "NameOfNoBytes", .values = WithName(REG_SZ, "")},
    {.name = "NameAsDword",
     .values = WithName(REG_DWORD, DwordBytes(0x41)),
     .check = Check::Asked,
     .sentName = "A",
     .sentDigest = kDigestUtf8,
     .shownName = L"A"},
    // An odd byte count: the last character gets its high byte from the zero-filled buffer.
    {.name = "NameBinaryOf3Bytes",
     .values = WithName(REG_BINARY, std::string("a\0b", 3)),
     .check = Check::Asked,
     .sentName = "ab",
     .sentDigest = kDigestUtf8,
     .shownName = L"ab"},
    // ... and here it fills the buffer's last character: no room for the terminator.
    {.name = "NameBinaryOf519Bytes",
     .values = WithName(REG_BINARY, Utf16(std::wstring(259, L'b')) + "c")},
    {.name = "NameMultiString",
     .values = WithName(REG_MULTI_SZ, Utf16z(L"ann") + Utf16z(L"bob") + Utf16z(L"")),
     .check = Check::Asked,
     .sentName = "ann",
     .sentDigest = kDigestUtf8,
     .shownName = L"ann"},
    // Expandable text is read expanded: it must fit once expanded.
    {.name = "NameExpandable",
     .values = WithName(REG_EXPAND_SZ, Utf16z(L"ann-%" + kShortVariable + L"%")),
     .check = Check::Asked,
     .sentName = "ann-bob",
     .sentDigest = kDigestUtf8,
     .shownName = L"ann-bob"},
    {.name = "NameExpandableTooLong",
     .values = WithName(REG_EXPAND_SZ, Utf16z(L"%" + kLongVariable + L"%"))},
    {.name = "NameWithEmbeddedNul",
     .values = WithName(REG_SZ, Utf16z(std::wstring(L"ann\0xyz", 7))),
     .check = Check::Asked,
     .sentName = "ann",
     .sentDigest = kDigestUtf8,
     .shownName = L"ann"},
    // 259 characters, but 518 bytes of UTF-8: too long for the request's field.
    {.name = "NameTooLongAsUtf8",
     .values = WithName(REG_SZ, Utf16z(std::wstring(259, L'\u00e9'))),
     .check = Check::Unsendable,
     .shownName = std::wstring(259, L'\u00e9')},

    // The digest: never shown, only sent.
    {.name = "DigestEmpty", .values = WithDigest(REG_SZ, Utf16z(L"")), .signInRun = false},
    {.name = "DigestNotHex",
     .values = WithDigest(REG_SZ, Utf16z(L"zz-not-hex-zz")),
     .check = Check::Asked,
     .sentName = "ann",
     .sentDigest = "zz-not-hex-zz",
     .signInRun = false},
    {.name = "DigestOf300Chars",
     .values = WithDigest(REG_SZ, Utf16z(std::wstring(300, L'f'))),
     .signInRun = false},
    {.name = "DigestOf100000Chars",
     .values = WithDigest(REG_SZ, Utf16z(std::wstring(100000, L'f'))),
     .signInRun = false},
    {.name = "DigestAsDword",
     .values = WithDigest(REG_DWORD, DwordBytes(0x31)),
     .check = Check::Asked,
     .sentName = "ann",
     .sentDigest = "1",
     .signInRun = false},
    {.name = "DigestBinaryOf5Bytes",
     .values = WithDigest(REG_BINARY, "abcde"),
     .check = Check::Asked,
     .sentName = "ann",
     .sentDigest = ToUtf8(L"\u6261\u6463e"),
     .signInRun = false},

    // "RegSucceeded": only a 4-byte 1 counts, whatever the type.
    {.name = "RegSucceededOfNoBytes",
     .values = WithRegSucceeded(REG_DWORD, ""),
     .ordinaryRun = false,
     .shownName = L"ann"},
    {.name = "RegSucceededOf2Bytes",
     .values = WithRegSucceeded(REG_BINARY, std::string("\1\0", 2)),
     .ordinaryRun = false,
     .shownName = L"ann"},
    {.name = "RegSucceededOf8Bytes",
     .values = WithRegSucceeded(REG_QWORD, DwordBytes(1) + DwordBytes(0)),
     .ordinaryRun = false,
     .shownName = L"ann"},
    {.name = "RegSucceededTwo",
     .values = WithRegSucceeded(REG_DWORD, DwordBytes(2)),
     .ordinaryRun = false,
     .shownName = L"ann"},
    {.name = "RegSucceededBinaryOne",
     .values = WithRegSucceeded(REG_BINARY, DwordBytes(1)),
     .ordinaryRun = false,
     .shownName = L"ann",
     .linked = true},
    {.name = "RegSucceededTextOfCharacterOne",
     .values = WithRegSucceeded(REG_SZ, Utf16z(L"\u0001")),
     .ordinaryRun = false,
     .shownName = L"ann",
     .linked = true},
};

class HostileRegistry : public FaultTest, public ::testing::WithParamInterface<RegistryCase> {
  protected:
    void SetUp() override {
        FaultTest::SetUp();
        SetEnvironmentVariableW(kShortVariable.c_str(), L"bob");
        SetEnvironmentVariableW(kLongVariable.c_str(),
                                std::wstring(kLongVariableLength, L'L').c_str());
        for (const StoredValue& value : GetParam().values) {
            WriteRawValue(kStateKey, value.name, value.type, value.bytes.data(),
                          static_cast<DWORD>(value.bytes.size()));
        }
        WriteDwordValue(kProductKey, L"DevAuthState", kSentinel);
        service_ = StartService(true, {}, Reply("-2"));
    }

    std::unique_ptr<LoopbackServer> service_;
};

}  // namespace

TEST_P(HostileRegistry, ReadsAsMissingOrAsItsTextAndNeverCrashes) {
    const RegistryCase& c = GetParam();
    const RegistrySnapshot before = SnapshotProductKey();
    if (c.ordinaryRun) {
        SCOPED_TRACE("ordinary start");
        DebuggedProcess process(ProgramPath(), L"");
        ASSERT_TRUE(process.Started());
        const HWND wizard = WaitForWizardWindow(process.ProcessId(), kRunTimeoutMs);
        ASSERT_NE(wizard, nullptr);
        EXPECT_EQ(CloseWizard(process, wizard, true), 0u);
        ExpectNoCrash(process);

        const auto requests = service_->Requests();
        if (c.check == Check::Asked) {
            ASSERT_EQ(requests.size(), 1u);
            const FormFields fields = SplitFormBody(requests[0].body);
            EXPECT_EQ(FieldNames(fields),
                      (std::vector<std::string>{"action", "did", "uname", "pmd5"}));
            EXPECT_EQ(FieldValue(fields, "uname"), c.sentName);
            EXPECT_EQ(FieldValue(fields, "pmd5"), c.sentDigest);
        } else {
            EXPECT_TRUE(requests.empty());
        }
        EXPECT_EQ(ReadDword(kProductKey, L"DevAuthState"),
                  c.check == Check::NotAsked ? kSentinel : 0u);
    }
    if (c.signInRun) {
        SCOPED_TRACE("sign-in run");
        DebuggedProcess process(ProgramPath(), L"/signin");
        ASSERT_TRUE(process.Started());
        const HWND wizard = WaitForWizardWindow(process.ProcessId(), kRunTimeoutMs);
        ASSERT_NE(wizard, nullptr);
        EXPECT_EQ(TextIn(wizard, IDC_SIGNIN_USER), c.shownName);
        EXPECT_EQ(IsEnabled(wizard, IDC_SIGNIN_USER), !c.linked);
        EXPECT_EQ(GetDlgItem(wizard, IDC_CREATE_SELECTOR) == nullptr, c.linked);
        EXPECT_EQ(CloseWizard(process, wizard, false), 0u);
        ExpectNoCrash(process);
    }
    // Nothing but the outcome of the check: the stored values stay as they were.
    std::vector<std::wstring> written;
    if (c.ordinaryRun && c.check != Check::NotAsked) written.push_back(L"DevAuthState");
    if (c.signInRun) written.push_back(L"TempA");
    EXPECT_EQ(ChangedValues(before, SnapshotProductKey()), written);
}

INSTANTIATE_TEST_SUITE_P(Stored, HostileRegistry, ::testing::ValuesIn(kCases), CaseName);
