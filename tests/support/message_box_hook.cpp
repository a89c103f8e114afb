#include "tests/support/message_box_hook.h"

#include <array>

namespace {

MessageBoxHook* g_activeHook = nullptr;

// The icon's static control: 0x0014 in Windows' message boxes, stc1 (0x0440) in Wine's.
constexpr int kIconIds[] = {0x0014, 0x0440};
constexpr int kTextId = 0xFFFF;

std::wstring TextOf(HWND window) {
    std::array<wchar_t, 2048> text{};
    GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

bool IsMessageBox(HWND window) {
    std::array<wchar_t, 16> className{};
    GetClassNameW(window, className.data(), static_cast<int>(className.size()));
    return std::wstring(className.data()) == L"#32770";
}

UINT ButtonFlags(HWND box) {
    const auto has = [box](int id) { return GetDlgItem(box, id) != nullptr; };
    if (has(IDYES) && has(IDNO)) return has(IDCANCEL) ? MB_YESNOCANCEL : MB_YESNO;
    if (has(IDOK)) return has(IDCANCEL) ? MB_OKCANCEL : MB_OK;
    return MB_TYPEMASK;  // a button set these tests never expect
}

// The icon shown is one of the shared system icons; a box without icon shows none.
UINT IconFlags(HWND box) {
    for (const int id : kIconIds) {
        const HWND control = GetDlgItem(box, id);
        if (control == nullptr) continue;
        const auto icon = reinterpret_cast<HICON>(SendMessageW(control, STM_GETICON, 0, 0));
        if (icon == nullptr) return 0;
        const struct {
            LPCWSTR system;
            UINT flag;
        } icons[] = {{IDI_HAND, MB_ICONHAND},
                     {IDI_QUESTION, MB_ICONQUESTION},
                     {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                     {IDI_ASTERISK, MB_ICONASTERISK}};
        for (const auto& candidate : icons) {
            if (LoadIconW(nullptr, candidate.system) == icon) return candidate.flag;
        }
        return MB_ICONMASK;  // an icon that is none of the system's
    }
    return 0;
}

}  // namespace

MessageBoxHook::MessageBoxHook(int button) : button_(button) {
    g_activeHook = this;
    hook_ = SetWindowsHookExW(WH_CBT, OnCbt, nullptr, GetCurrentThreadId());
}

MessageBoxHook::~MessageBoxHook() {
    UnhookWindowsHookEx(hook_);
    g_activeHook = nullptr;
}

// By the time a box is activated its title, text, buttons and icon are all set up
// (Wine sets the title only while initialising the dialog, after its creation).
LRESULT CALLBACK MessageBoxHook::OnCbt(int code, WPARAM wParam, LPARAM lParam) {
    const auto window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && g_activeHook != nullptr && IsMessageBox(window)) {
        g_activeHook->Record(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MessageBoxHook::Record(HWND box) {
    // A box is activated again when it regains the activation; answer it once.
    if (box == lastBox_) return;
    lastBox_ = box;
    MessageBoxRecord record;
    record.title = TextOf(box);
    record.text = TextOf(GetDlgItem(box, kTextId));
    record.style = ButtonFlags(box) | IconFlags(box);
    record.owner = GetWindow(box, GW_OWNER);
    boxes_.push_back(std::move(record));
    // Posted: the box's own modal loop picks the answer up once it runs.
    PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(button_), 0);
}
