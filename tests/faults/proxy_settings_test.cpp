// The current user's proxy settings, which the transport reads when a send fails:
// odd records must not change the outcome of a service that cannot be reached.
// Records whose counts run past their end are left out: Wine 8's
// WinHttpGetIEProxyConfigForCurrentUser reads past the record and crashes the
// calling process (see docs/RELIABILITY.md).

#include <gtest/gtest.h>

#include "app/settings_store.h"
#include "tests/faults/fault_harness.h"
#include "tests/support/user_proxy_settings.h"

namespace {

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
    {"DeadFixedProxy", ProxySettingsRecord(kUseFixedProxy, "127.0.0.1:1", "", "")},
    // Longer than the 259 characters the transport keeps of a proxy list.
    {"FixedProxyOf100000Chars",
     ProxySettingsRecord(kUseFixedProxy, std::string(100000, 'p'), std::string(100000, 'b'), "")},
    // Version and change counter only.
    {"RecordCutAfterItsCounter", ProxySettingsRecord(0, "", "", "").substr(0, 8)},
    {"ScriptAddressOfGarbage",
     ProxySettingsRecord(kUseConfigScript, "", "", "::::\x01\xFFgarbage")},
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
