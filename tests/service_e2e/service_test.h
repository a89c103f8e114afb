#pragma once
// What every run of the program against the stand-in service shares: a fresh
// service and a machine without any of the product's values, and readers for what
// the run leaves behind.

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <optional>
#include <string>
#include <vector>

#include "app/settings_store.h"
#include "tests/support/form_fields.h"
#include "tests/support/loopback_server.h"
#include "tests/support/process_runner.h"
#include "tests/support/registry.h"
#include "tests/support/service_control.h"
#include "tests/support/wizard_driver.h"

// Long enough for a start under Wine, the device queries and every retry layer.
inline constexpr DWORD kRunTimeoutMs = 60000;

// The parent account most runs sign in to.
inline const std::string kParent = "ann.parent";
inline const std::wstring kParentWide = L"ann.parent";
inline const std::string kPassword = "pony-club";

class ServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DeleteProductKey();
        ASSERT_TRUE(ResetService())
            << "the stand-in service does not answer on port " << ServiceOriginPort();
    }
    void TearDown() override { DeleteProductKey(); }
};

// A text value as stored, without the terminator that may or may not be stored with it.
inline std::optional<std::wstring> ReadText(const std::wstring& keyPath, const std::wstring& name) {
    const auto raw = ReadRawValue(keyPath, name);
    if (!raw || raw->type != REG_SZ) return std::nullopt;
    std::wstring text(raw->bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), raw->bytes.data(), text.size() * sizeof(wchar_t));
    return text.substr(0, std::wcslen(text.c_str()));
}

// The names of a request's fields, in order.
inline std::vector<std::string> FieldNamesOf(const ServiceRequestRecord& request) {
    return FieldNames(request.fields);
}

inline bool HasHeaderLine(const ServiceRequestRecord& request, const std::string& line) {
    for (const auto& header : request.headerLines) {
        if (header == line) return true;
    }
    return false;
}

// The wizard of a run started just now; fails the test when none opens.
inline HWND OpenedWizard(DebuggedProcess& process) {
    const HWND wizard = WaitForWizardWindow(process.ProcessId(), kRunTimeoutMs);
    EXPECT_NE(wizard, nullptr) << "no wizard window opened";
    return wizard;
}

// Closes the wizard as its close box does and waits for the end of the process
// while watching for a question, which must not come. The exit code, or nothing
// when a message box came up or the process did not end.
inline std::optional<DWORD> CloseWithoutQuestion(DebuggedProcess& process, HWND wizard) {
    PostMessageW(wizard, WM_CLOSE, 0, 0);
    const DWORD deadline = GetTickCount() + kRunTimeoutMs;
    while (GetTickCount() < deadline) {
        if (const auto code = process.WaitForExit(50)) return code;
        if (FindMessageBox(process.ProcessId()).has_value()) {
            ADD_FAILURE() << "unexpected message box: " << DescribeWizard(wizard);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

inline std::wstring Widen(const std::string& ascii) {
    return std::wstring(ascii.begin(), ascii.end());
}

// The account with this user name in the service's state (a null value when none).
inline JsonValue AccountIn(const JsonValue& state, const std::string& userName) {
    for (const JsonValue& account : state["accounts"].items) {
        if (account["uname"].text == userName) return account;
    }
    return {};
}

// The device with this identifier among an account's devices (a null value when none).
inline JsonValue DeviceIn(const JsonValue& account, const std::string& deviceId) {
    for (const JsonValue& device : account["devices"].items) {
        if (device["did"].text == deviceId) return device;
    }
    return {};
}
