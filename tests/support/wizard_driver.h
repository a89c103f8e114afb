#pragma once
// Drives the wizard window of another process (the program under test) as a parent
// would, through window messages, and finds and answers that process's message boxes.
// Every call that needs the program's answer waits at most a few seconds for it, so
// a program that hangs makes the call fail instead of the caller.

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// What the wizard shows, told by which controls are visible. Pages 2 and 3 show the
// same controls, as do pages 4 and 5; only the path that led there tells them apart.
enum class WizardView { Unknown, SignIn, CreateAccount, Profile, Done };

WizardView CurrentView(HWND wizard);
const char* ViewName(WizardView view);

// Waits until the wizard shows `view`. False as soon as a message box of the
// program is open instead, the window has gone, or after the time-out.
bool WaitForView(HWND wizard, WizardView view, DWORD timeoutMs);

// Puts text into an edit field, as typing it would leave it.
bool TypeInto(HWND wizard, int id, const std::wstring& text);
std::wstring TextIn(HWND wizard, int id);
bool IsEnabled(HWND wizard, int id);
// Presses a button: its command is posted to the wizard as a click sends it. The
// wizard handles it once it is back in its message loop.
void Press(HWND wizard, int id);

// The entries of the child-profile list, in order.
std::vector<std::wstring> ProfileChoices(HWND wizard);
// Selects the entry with this name; false when the list has none.
bool ChooseProfile(HWND wizard, const std::wstring& name);

struct MessageBoxView {
    HWND window = nullptr;
    HWND owner = nullptr;
    std::wstring title;
    std::wstring text;
};

// An open message box of the process, if there is one.
std::optional<MessageBoxView> FindMessageBox(DWORD processId);
std::optional<MessageBoxView> WaitForMessageBox(DWORD processId, DWORD timeoutMs);
// Answers the box with one of its buttons (IDOK, IDYES, IDNO ...) and waits until
// it has closed; false when it stays.
bool Answer(const MessageBoxView& box, int button);

// One line for failure messages: what the wizard shows and any open message box.
std::string DescribeWizard(HWND wizard);
