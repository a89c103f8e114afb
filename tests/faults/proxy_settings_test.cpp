// The current user's proxy settings, which the transport reads when a send fails:
// odd records must not change the outcome of a service that cannot be reached.
// Records whose counts run past their end are left out: Wine 8's
// WinHttpGetIEProxyConfigForCurrentUser reads past the record and crashes the
// calling process (see docs/RELIABILITY.md).

#include <gtest/gtest.h>

#include <optional>

#include "app/settings_store.h"
#include "tests/faults/fault_harness.h"

namespace {

constexpr wchar_t kConnectionsKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
constexpr wchar_t kSettingsValue[] = L"DefaultConnectionSettings";
constexpr DWORD kRecordVersion = 0x46;
constexpr DWORD kUseFixedProxy = 0x2;
constexpr DWORD kUseConfigScript = 0x4;

// The per-user settings record: little-endian numbers and counted texts.
class Record {
  public:
    Record& Number(DWORD value) {
        bytes_.append(reinterpret_cast<const char*>(&value), sizeof(value));
        return *this;
    }
    Record& Text(const std::string& text) {
        Number(static_cast<DWORD>(text.size()));
        bytes_ += text;
        return *this;
    }
    const std::string& Bytes() const { return bytes_; }

  private:
    std::string bytes_;
};

// Sets the record for one test and puts back what was there.
class UserProxySettings {
  public:
    explicit UserProxySettings(const std::string& record) {
        RegCreateKeyExW(HKEY_CURRENT_USER, kConnectionsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key_, nullptr);
        DWORD size = 0;
        if (RegQueryValueExW(key_, kSettingsValue, nullptr, nullptr, nullptr, &size) ==
            ERROR_SUCCESS) {
            saved_.emplace(size, '\0');
            RegQueryValueExW(key_, kSettingsValue, nullptr, nullptr,
                             reinterpret_cast<BYTE*>(saved_->data()), &size);
        }
        Write(record);
    }
    ~UserProxySettings() {
        if (saved_) {
            Write(*saved_);
        } else {
            RegDeleteValueW(key_, kSettingsValue);
        }
        RegCloseKey(key_);
    }
    UserProxySettings(const UserProxySettings&) = delete;
    UserProxySettings& operator=(const UserProxySettings&) = delete;

  private:
    void Write(const std::string& bytes) {
        RegSetValueExW(key_, kSettingsValue, 0, REG_BINARY,
                       reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
    }

    HKEY key_ = nullptr;
    std::optional<std::string> saved_;
};

struct ProxyCase {
    const char* name;
    std::string record;
};

void PrintTo(const ProxyCase& c, std::ostream* out) {
    *out << c.name;
}

std::string CaseName(const ::testing::TestParamInfo<ProxyCase>& info) {
    return info.param.name;
}

const ProxyCase kCases[] = {
    {"DeadFixedProxy", Record()
                           .Number(kRecordVersion)
                           .Number(1)
                           .Number(kUseFixedProxy)
                           .Text("127.0.0.1:1")
                           .Text("")
                           .Text("")
                           .Bytes()},
    // Longer than the 259 characters the transport keeps of a proxy list.
    {"FixedProxyOf100000Chars", Record()
                                    .Number(kRecordVersion)
                                    .Number(1)
                                    .Number(kUseFixedProxy)
                                    .Text(std::string(100000, 'p'))
                                    .Text(std::string(100000, 'b'))
                                    .Text("")
                                    .Bytes()},
    {"RecordCutAfterItsCounter", Record().Number(kRecordVersion).Number(1).Bytes()},
    {"ScriptAddressOfGarbage", Record()
                                   .Number(kRecordVersion)
                                   .Number(1)
                                   .Number(kUseConfigScript)
                                   .Text("")
                                   .Text("")
                                   .Text("::::\x01\xFFgarbage")
                                   .Bytes()},
    {"NotARecord", std::string(64, '\xFF')},
};

class ProxySettings : public FaultTest, public ::testing::WithParamInterface<ProxyCase> {};

}  // namespace

// Nothing listens at the service, so every send fails and reads the settings.
TEST_P(ProxySettings, UnreachableServiceStillEndsInTheWizard) {
    const UserProxySettings settings(GetParam().record);
    StoreCredentials(L"ann", L"900150983cd24fb0d6963f7d28e17f72");
    DebuggedProcess process(ProgramPath(), L"");
    ASSERT_TRUE(process.Started());
    const HWND wizard = WaitForWizardWindow(process.ProcessId(), kRunTimeoutMs);
    ASSERT_NE(wizard, nullptr) << "exit code " << process.WaitForExit(0).value_or(259);
    EXPECT_EQ(CloseWizard(process, wizard, true), 0u);
    ExpectNoCrash(process);
    EXPECT_EQ(NetTranscript(process.Lines()), "F F F E-10");
    EXPECT_EQ(ReadDword(kProductKey, L"DevAuthState"), 0u);
}

INSTANTIATE_TEST_SUITE_P(Record, ProxySettings, ::testing::ValuesIn(kCases), CaseName);
