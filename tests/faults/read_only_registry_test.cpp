// A parent without the right to write machine-wide settings: every write of the
// program fails, unreported, and each flow goes on as if it had succeeded. The
// program must end as it would otherwise, with nothing stored.

#include <gtest/gtest.h>

#include <array>

#include "app/settings_store.h"
#include "tests/faults/fault_harness.h"

#include <shlwapi.h>

#include "tests/support/form_fields.h"
#include "ui/controls.h"

namespace {

const std::wstring kDigest = L"900150983cd24fb0d6963f7d28e17f72";

// Lets everyone only read the key (which it creates when missing).
void MakeReadOnly(const wchar_t* path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone);
    alignas(DWORD) std::array<BYTE, 128> aclBytes{};
    ACL* acl = reinterpret_cast<ACL*>(aclBytes.data());
    InitializeAcl(acl, static_cast<DWORD>(aclBytes.size()), ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ, everyone);
    SECURITY_DESCRIPTOR descriptor{};
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &descriptor), ERROR_SUCCESS);
    RegCloseKey(key);
    FreeSid(everyone);
}

class ReadOnlyRegistry : public FaultTest {
  protected:
    // Both keys exist and can only be read; `before_` is what they hold.
    void Lock() {
        MakeReadOnly(kProductKey);
        MakeReadOnly(kStateKey);
        const DWORD value = 1;
        ASSERT_NE(SHSetValueW(HKEY_LOCAL_MACHINE, kProductKey, L"Probe", REG_DWORD, &value,
                              sizeof(value)),
                  ERROR_SUCCESS)
            << "the keys can still be written";
        before_ = SnapshotProductKey();
    }

    void ExpectNothingWritten() {
        EXPECT_TRUE(ChangedValues(before_, SnapshotProductKey()).empty());
    }

    std::unique_ptr<LoopbackServer> service_;
    RegistrySnapshot before_;
};

}  // namespace

TEST_F(ReadOnlyRegistry, AcceptedCheckStillEndsTheProgram) {
    StoreCredentials(L"ann", kDigest);
    Lock();
    service_ = StartService(true, {Reply("0;42")}, Reply(""));
    const ProgramRun run = RunProgram(L"", kRunTimeoutMs);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(service_->RequestCount(), 1u);
    ExpectNothingWritten();
}

TEST_F(ReadOnlyRegistry, AcceptedSignInStillEndsTheSignInRun) {
    Lock();
    service_ = StartService(true, {Reply("0;42")}, Reply(""));
    DebuggedProcess process(ProgramPath(), L"/signin");
    ASSERT_TRUE(process.Started());
    const HWND wizard = WaitForWizardWindow(process.ProcessId(), kRunTimeoutMs);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(SignInWith(wizard, L"ann", L"pony-club"));
    EXPECT_EQ(process.WaitForExit(kRunTimeoutMs), 0u) << DescribeWizard(wizard);
    ExpectNoCrash(process);
    ExpectNothingWritten();
}

// The profile requests send the stored credentials, and none could be stored:
// they go out empty, and the run still reaches its closing page.
TEST_F(ReadOnlyRegistry, InstallerRunReachesTheClosingPage) {
    Lock();
    service_ = StartService(
        true, {Reply("0"), Reply("0;42"), Reply("0;1;5;Alice"), Reply("0"), Reply("0")}, Reply(""));
    DebuggedProcess process(ProgramPath(), L"/installer");
    ASSERT_TRUE(process.Started());
    const HWND wizard = WaitForWizardWindow(process.ProcessId(), kRunTimeoutMs);
    ASSERT_NE(wizard, nullptr);
    ASSERT_TRUE(SignInWith(wizard, L"ann", L"pony-club"));
    ASSERT_TRUE(WaitForView(wizard, WizardView::Profile, kRunTimeoutMs)) << DescribeWizard(wizard);
    ASSERT_TRUE(ChooseProfile(wizard, L"Alice"));
    Press(wizard, IDC_NEXT);
    FinishRun(process, wizard);
    ExpectNoCrash(process);
    ExpectNothingWritten();

    const auto requests = service_->Requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[2].body, "action=getprofiles&did=none&uname=&pmd5=");
    const FormFields install = SplitFormBody(requests[3].body);
    EXPECT_EQ(FieldValue(install, "uname"), "<absent>");
    const FormFields binding = SplitFormBody(requests[4].body);
    EXPECT_EQ(FieldValue(binding, "uname"), "");
    EXPECT_EQ(FieldValue(binding, "profid"), "5");
}
