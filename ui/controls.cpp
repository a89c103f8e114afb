#include "ui/controls.h"

#include <array>

#include "core/app_state.h"
#include "core/text_buffer.h"
#include "win/settings_store.h"

WizardControls g_controls;

bool OnlySigningInAgain() {
    return g_app.signInMode && ReadRegSucceeded();
}

std::wstring ReadFieldText(HWND control) {
    std::array<wchar_t, kTextBufferSize> buffer{};
    GetWindowTextW(control, buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
}
