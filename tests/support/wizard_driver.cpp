#include "tests/support/wizard_driver.h"

#include <array>
#include <chrono>

#include "net/utf8.h"
#include "ui/controls.h"

namespace {

// How long a sent message may wait for the wizard's thread to take it.
constexpr UINT kReplyMs = 10000;
// The id of the text in a message box, in Windows' boxes and in Wine's.
constexpr int kMessageBoxTextId = 0xFFFF;

bool Shown(HWND control) {
    return control != nullptr && (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

std::wstring ClassName(HWND window) {
    std::array<wchar_t, 64> name{};
    GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    return name.data();
}

std::optional<LRESULT> Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, kReplyMs, &result) == 0) {
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

std::wstring WindowText(HWND window) {
    const auto length = Send(window, WM_GETTEXTLENGTH, 0, 0);
    if (!length || *length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(*length) + 1, L'\0');
    const auto copied =
        Send(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied ? static_cast<std::size_t>(*copied) : 0);
    return text;
}

// The profile list has no id; it is the wizard's only combo box.
HWND ProfileList(HWND wizard) {
    HWND found = nullptr;
    EnumChildWindows(
        wizard,
        [](HWND child, LPARAM param) -> BOOL {
            if (ClassName(child) != L"ComboBox") return TRUE;
            *reinterpret_cast<HWND*>(param) = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Another process's windows can only be watched: poll until `done` or the deadline.
template <typename Done>
bool PollUntil(DWORD timeoutMs, Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Sleep(20);
    }
}

}  // namespace

WizardView CurrentView(HWND wizard) {
    if (Shown(GetDlgItem(wizard, IDC_FINISH))) return WizardView::Done;
    if (Shown(GetDlgItem(wizard, IDC_NEXT))) return WizardView::Profile;
    if (Shown(GetDlgItem(wizard, IDC_CREATE_USER))) return WizardView::CreateAccount;
    if (Shown(GetDlgItem(wizard, IDC_SIGNIN_USER))) return WizardView::SignIn;
    return WizardView::Unknown;
}

const char* ViewName(WizardView view) {
    switch (view) {
        case WizardView::SignIn:
            return "the sign-in page";
        case WizardView::CreateAccount:
            return "the account-creation page";
        case WizardView::Profile:
            return "the child-profile page";
        case WizardView::Done:
            return "the closing page";
        case WizardView::Unknown:
            break;
    }
    return "no known page";
}

bool WaitForView(HWND wizard, WizardView view, DWORD timeoutMs) {
    DWORD processId = 0;
    GetWindowThreadProcessId(wizard, &processId);
    bool reached = false;
    PollUntil(timeoutMs, [&] {
        reached = IsWindow(wizard) && CurrentView(wizard) == view;
        return reached || !IsWindow(wizard) || FindMessageBox(processId).has_value();
    });
    return reached;
}

bool TypeInto(HWND wizard, int id, const std::wstring& text) {
    const HWND control = GetDlgItem(wizard, id);
    if (control == nullptr) return false;
    const auto set = Send(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return set && *set == TRUE;
}

std::wstring TextIn(HWND wizard, int id) {
    const HWND control = GetDlgItem(wizard, id);
    return control != nullptr ? WindowText(control) : std::wstring();
}

bool IsEnabled(HWND wizard, int id) {
    const HWND control = GetDlgItem(wizard, id);
    return control != nullptr && IsWindowEnabled(control);
}

void Press(HWND wizard, int id) {
    PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(wizard, id)));
}

std::vector<std::wstring> ProfileChoices(HWND wizard) {
    std::vector<std::wstring> names;
    const HWND list = ProfileList(wizard);
    if (list == nullptr) return names;
    const LRESULT count = Send(list, CB_GETCOUNT, 0, 0).value_or(0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = Send(list, CB_GETLBTEXTLEN, i, 0).value_or(CB_ERR);
        if (length == CB_ERR) break;
        std::wstring name(static_cast<std::size_t>(length) + 1, L'\0');
        Send(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name.data()));
        name.resize(static_cast<std::size_t>(length));
        names.push_back(std::move(name));
    }
    return names;
}

bool ChooseProfile(HWND wizard, const std::wstring& name) {
    const auto names = ProfileChoices(wizard);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] != name) continue;
        const HWND list = ProfileList(wizard);
        const auto index = static_cast<WPARAM>(i);
        return Send(list, CB_SETCURSEL, index, 0) == static_cast<LRESULT>(index);
    }
    return false;
}

std::optional<MessageBoxView> FindMessageBox(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->processId || !IsWindowVisible(window) ||
                ClassName(window) != L"#32770") {
                return TRUE;
            }
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) return std::nullopt;
    MessageBoxView box;
    box.window = search.found;
    box.owner = GetWindow(search.found, GW_OWNER);
    std::array<wchar_t, 256> title{};
    GetWindowTextW(search.found, title.data(), static_cast<int>(title.size()));
    box.title = title.data();
    box.text = WindowText(GetDlgItem(search.found, kMessageBoxTextId));
    return box;
}

std::optional<MessageBoxView> WaitForMessageBox(DWORD processId, DWORD timeoutMs) {
    std::optional<MessageBoxView> box;
    PollUntil(timeoutMs, [&] { return (box = FindMessageBox(processId)).has_value(); });
    return box;
}

bool Answer(const MessageBoxView& box, int button) {
    // Posted: the box's own modal loop takes the answer.
    PostMessageW(box.window, WM_COMMAND, static_cast<WPARAM>(button), 0);
    return PollUntil(kReplyMs, [&] { return !IsWindow(box.window); });
}

std::string DescribeWizard(HWND wizard) {
    if (!IsWindow(wizard)) return "the wizard window has gone";
    DWORD processId = 0;
    GetWindowThreadProcessId(wizard, &processId);
    std::string description = std::string("the wizard shows ") + ViewName(CurrentView(wizard));
    if (const auto box = FindMessageBox(processId)) {
        description +=
            "; a message box is open: \"" + ToUtf8(box->title) + "\": " + ToUtf8(box->text);
    }
    return description;
}
