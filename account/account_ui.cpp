#include "account/account_ui.h"

#include <array>

#include "app/app_state.h"
#include "app/settings_store.h"
#include "ui/drawing_resources.h"

std::wstring ReadFieldText(HWND control) {
    std::array<wchar_t, kTextBufferSize> buffer{};
    GetWindowTextW(control, buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
}

void ShowInputError(std::wstring_view text) {
    const std::wstring message(text);
    MessageBoxW(g_app.mainWindow, message.c_str(), L"Tirna - Input error", MB_OK);
}

void ShowBusyCursor() {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
}

void ShowArrowCursor() {
    SetCursor(g_draw.ArrowCursor);
}

void StoreAcceptedAccount(std::wstring_view userName, const std::wstring& digest) {
    // Failed writes are not reported: the wizard goes on either way.
    WriteRegSucceeded(1);
    WriteAuthUserName(userName);
    WriteAuthDigest(digest.c_str());
    g_app.accountReady = true;
}
