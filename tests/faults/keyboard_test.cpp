// Real key presses into the running wizard. Enter released in the password field
// signs in; the Enter that a parent presses to close the box the sign-in brought,
// and releases once the focus is back in that field, must not sign in again (each
// press would otherwise bring the same box back, after a whole exchange).

#include <gtest/gtest.h>

#include <chrono>

#include "app/settings_store.h"
#include "tests/faults/fault_harness.h"
#include "ui/controls.h"

namespace {

const std::wstring kWrongPassword = L"wrong-1";

void SendKey(WORD key, bool release) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof(input));
}

void Tap(WORD key) {
    SendKey(key, false);
    SendKey(key, true);
}

// Another process's windows can only be polled.
template <typename Done>
bool PollUntil(Done done) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kRunTimeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Sleep(20);
    }
    return true;
}

struct BoxCase {
    const char* name;
    std::wstring userName;  // typed over the stored one
    std::wstring boxTitle;  // of the box the sign-in brings
    std::size_t requests;   // sent by the one sign-in
};

void PrintTo(const BoxCase& c, std::ostream* out) {
    *out << c.name;
}

std::string CaseName(const ::testing::TestParamInfo<BoxCase>& info) {
    return info.param.name;
}

const BoxCase kCases[] = {
    {"Refused", L"ann", L"Tirna - Signin error.", 1},
    {"UserNameMissing", L"", L"Tirna - Input error", 0},
};

class Keyboard : public FaultTest, public ::testing::WithParamInterface<BoxCase> {};

}  // namespace

TEST_P(Keyboard, EnterThatClosesTheBoxDoesNotSignInAgain) {
    const BoxCase& c = GetParam();
    // With a stored user name the page starts with the focus in the password field.
    WriteTextValue(kStateKey, L"AuthInfoUserName", L"ann");
    const auto service = StartService(true, {}, Reply("-2"));
    DebuggedProcess process(ProgramPath(), L"/signin");
    ASSERT_TRUE(process.Started());
    const HWND wizard = WaitForWizardWindow(process.ProcessId(), kRunTimeoutMs);
    ASSERT_NE(wizard, nullptr);
    SetForegroundWindow(wizard);
    ASSERT_TRUE(PollUntil([&] { return GetForegroundWindow() == wizard; }));
    ASSERT_TRUE(TypeInto(wizard, IDC_SIGNIN_USER, c.userName));
    ASSERT_TRUE(TypeInto(wizard, IDC_SIGNIN_PASSWORD, kWrongPassword));

    Tap(VK_RETURN);
    const auto box = WaitForMessageBox(process.ProcessId(), kRunTimeoutMs);
    ASSERT_TRUE(box.has_value()) << DescribeWizard(wizard);
    EXPECT_EQ(box->title, c.boxTitle);
    EXPECT_EQ(service->RequestCount(), c.requests);

    // The key-down closes the box; the key-up reaches the password field.
    SendKey(VK_RETURN, false);
    ASSERT_TRUE(PollUntil([&] { return !IsWindow(box->window); }));
    SendKey(VK_RETURN, true);
    // A key typed after it shows in the field once the wizard has handled the
    // release and whatever the release posted; a sign-in would bring its box first.
    Tap('X');
    EXPECT_TRUE(PollUntil([&] {
        return TextIn(wizard, IDC_SIGNIN_PASSWORD).size() > kWrongPassword.size() ||
               FindMessageBox(process.ProcessId()).has_value();
    }));
    EXPECT_EQ(service->RequestCount(), c.requests);
    EXPECT_FALSE(FindMessageBox(process.ProcessId()).has_value()) << DescribeWizard(wizard);

    if (const auto again = FindMessageBox(process.ProcessId())) Answer(*again, IDOK);
    EXPECT_EQ(CloseWizard(process, wizard, false), 0u);
    ExpectNoCrash(process);
}

INSTANTIATE_TEST_SUITE_P(Box, Keyboard, ::testing::ValuesIn(kCases), CaseName);
