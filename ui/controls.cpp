#include "ui/controls.h"

#include <array>

#include "core/text_buffer.h"

WizardControls g_controls;

std::wstring ReadControlText(HWND control) {
    std::array<wchar_t, kTextBufferSize> buffer{};
    GetWindowTextW(control, buffer.data(), static_cast<int>(buffer.size()));
    return buffer.data();
}
