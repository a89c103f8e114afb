// Drives TirnaUIAuth.exe (beside this program) through one path of an installer run
// as a parent would, and saves a picture of the wizard on every page it passes:
//
//   tirna_demo_driver.exe sign-in DIR USER PASSWORD PROFILE
//       signs in and picks the existing child profile PROFILE: pages 0, 2 and 4
//   tirna_demo_driver.exe create-account DIR USER PASSWORD EMAIL PROFILE
//       creates the account and names the new child profile PROFILE: pages 1, 3 and 5
//
// The pictures are DIR\page-N-NAME.bmp. The exit code is 0 when the program ended
// with 0 after Finish, and 1 when the run went any other way (the reason is printed).

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "demo/window_picture.h"
#include "net/utf8.h"
#include "tests/support/process_runner.h"
#include "tests/support/wizard_driver.h"
#include "ui/controls.h"

namespace {

// A start under Wine with the device queries, or a request with all its retries.
constexpr DWORD kTimeoutMs = 60000;

void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

class Run {
  public:
    Run(DebuggedProcess& process, HWND wizard, std::wstring directory)
        : process_(process), wizard_(wizard), directory_(std::move(directory)) {}

    bool Reach(WizardView view) {
        if (WaitForView(wizard_, view, kTimeoutMs)) return true;
        Say(std::string("expected ") + ViewName(view) + ", but " + DescribeWizard(wizard_));
        return false;
    }

    bool Type(int id, const std::wstring& text) {
        if (TypeInto(wizard_, id, text)) return true;
        Say("could not type into control " + std::to_string(id));
        return false;
    }

    bool Choose(const std::wstring& profile) {
        if (ChooseProfile(wizard_, profile)) return true;
        Say("the profile list has no entry " + ToUtf8(profile));
        return false;
    }

    // Presses a button and waits for the page it leads to.
    bool Next(int button, WizardView view) {
        Press(wizard_, button);
        return Reach(view);
    }

    bool Picture(int page, const std::wstring& name) {
        const std::wstring file = L"page-" + std::to_wstring(page) + L"-" + name + L".bmp";
        if (!SaveWindowPicture(wizard_, directory_ + L"\\" + file)) {
            Say("could not save the picture of page " + std::to_string(page));
            return false;
        }
        Say("page " + std::to_string(page) + ": " + ViewName(CurrentView(wizard_)) + ", saved " +
            ToUtf8(file));
        return true;
    }

    bool Finish() {
        Press(wizard_, IDC_FINISH);
        const auto exitCode = process_.WaitForExit(kTimeoutMs);
        if (exitCode == 0u) {
            Say("Finish: the program ended with exit code 0");
            return true;
        }
        Say(exitCode ? "the program ended with exit code " + std::to_string(*exitCode)
                     : std::string("the program did not end after Finish"));
        return false;
    }

  private:
    DebuggedProcess& process_;
    HWND wizard_;
    std::wstring directory_;
};

// User and password on page 0, an existing profile on page 2, Finish on page 4.
bool SignInPath(Run& run, const std::vector<std::wstring>& args) {
    const std::wstring& user = args[0];
    const std::wstring& password = args[1];
    const std::wstring& profile = args[2];
    return run.Reach(WizardView::SignIn) && run.Type(IDC_SIGNIN_USER, user) &&
           run.Type(IDC_SIGNIN_PASSWORD, password) && run.Picture(0, L"sign-in") &&
           run.Next(IDC_SIGNIN_BUTTON, WizardView::Profile) && run.Choose(profile) &&
           run.Picture(2, L"profile-after-sign-in") && run.Next(IDC_NEXT, WizardView::Done) &&
           run.Picture(4, L"done-after-sign-in") && run.Finish();
}

// The account's four fields on page 1, a new profile's name on page 3, Finish on page 5.
bool CreateAccountPath(Run& run, const std::vector<std::wstring>& args) {
    const std::wstring& user = args[0];
    const std::wstring& password = args[1];
    const std::wstring& email = args[2];
    const std::wstring& profile = args[3];
    return run.Reach(WizardView::SignIn) &&
           run.Next(IDC_CREATE_SELECTOR, WizardView::CreateAccount) &&
           run.Type(IDC_CREATE_USER, user) && run.Type(IDC_CREATE_PASSWORD, password) &&
           run.Type(IDC_CREATE_CONFIRM, password) && run.Type(IDC_CREATE_EMAIL, email) &&
           run.Picture(1, L"create-account") && run.Next(IDC_CREATE_BUTTON, WizardView::Profile) &&
           run.Type(IDC_PROFILE_NAME, profile) && run.Picture(3, L"profile-after-create") &&
           run.Next(IDC_NEXT, WizardView::Done) && run.Picture(5, L"done-after-create") &&
           run.Finish();
}

struct Path {
    const wchar_t* name;
    std::size_t argumentCount;  // after the directory
    bool (*drive)(Run&, const std::vector<std::wstring>&);
};

constexpr Path kPaths[] = {
    {L"sign-in", 3, SignInPath},
    {L"create-account", 4, CreateAccountPath},
};

int Usage() {
    Say("usage: tirna_demo_driver.exe sign-in DIR USER PASSWORD PROFILE\n"
        "       tirna_demo_driver.exe create-account DIR USER PASSWORD EMAIL PROFILE");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    if (args.size() < 2) return Usage();
    for (const Path& path : kPaths) {
        if (args[0] != path.name) continue;
        if (args.size() != 2 + path.argumentCount) return Usage();

        DebuggedProcess process(ProgramPath(), L"/installer");
        if (!process.Started()) {
            Say("could not start " + ToUtf8(ProgramPath()));
            return 1;
        }
        const HWND wizard = WaitForWizardWindow(process.ProcessId(), kTimeoutMs);
        if (wizard == nullptr) {
            Say("the wizard window did not open");
            return 1;
        }
        Run run(process, wizard, args[1]);
        const bool done = path.drive(run, {args.begin() + 2, args.end()});
        for (const std::string& line : process.Lines()) Say("  program: " + line);
        return done ? 0 : 1;
    }
    return Usage();
}
