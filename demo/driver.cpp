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
#include "tests/blackbox/harness.h"
#include "core/control_ids.h"

namespace {

void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

class DemoRun {
  public:
    DemoRun(HWND wizard, std::wstring directory)
        : wizard_(wizard), directory_(std::move(directory)) {}

    bool Reach(View view) {
        if (WaitForView(wizard_, view)) return true;
        Say("the wizard did not reach the page it should; it shows: " + Look(wizard_));
        return false;
    }
    bool Type(int id, const std::wstring& text) {
        if (TypeInto(GetDlgItem(wizard_, id), text)) return true;
        Say("could not type into control " + std::to_string(id));
        return false;
    }
    bool Choose(const std::wstring& profile) {
        const HWND list = FindWindowExW(wizard_, nullptr, L"ComboBox", nullptr);
        if (SendTo(list, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(profile.c_str())) != CB_ERR) {
            return true;
        }
        Say("the profile list has no entry " + Utf8(profile));
        return false;
    }
    // Presses a button and waits for the page it leads to.
    bool Next(int button, View view) {
        PostMessageW(wizard_, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(wizard_, button)));
        return Reach(view);
    }
    bool Picture(int page, const std::wstring& name) {
        const std::wstring file = L"page-" + std::to_wstring(page) + L"-" + name + L".bmp";
        if (!SaveWindowPicture(wizard_, directory_ + L"\\" + file)) {
            Say("could not save the picture of page " + std::to_string(page));
            return false;
        }
        Say("page " + std::to_string(page) + ": " + Look(wizard_) + ", saved " + Utf8(file));
        return true;
    }

  private:
    HWND wizard_;
    std::wstring directory_;
};

// User and password on page 0, an existing profile on page 2, Finish on page 4.
bool SignInPath(DemoRun& run, const std::vector<std::wstring>& args) {
    return run.Reach(View::SignIn) && run.Type(IDC_SIGNIN_USER, args[0]) &&
           run.Type(IDC_SIGNIN_PASSWORD, args[1]) && run.Picture(0, L"sign-in") &&
           run.Next(IDC_SIGNIN_BUTTON, View::Profile) && run.Choose(args[2]) &&
           run.Picture(2, L"profile-after-sign-in") && run.Next(IDC_NEXT, View::Done) &&
           run.Picture(4, L"done-after-sign-in");
}

// The account's four fields on page 1, a new profile's name on page 3, Finish on page 5.
bool CreateAccountPath(DemoRun& run, const std::vector<std::wstring>& args) {
    return run.Reach(View::SignIn) && run.Next(IDC_CREATE_SELECTOR, View::CreateAccount) &&
           run.Type(IDC_CREATE_USER, args[0]) && run.Type(IDC_CREATE_PASSWORD, args[1]) &&
           run.Type(IDC_CREATE_CONFIRM, args[1]) && run.Type(IDC_CREATE_EMAIL, args[2]) &&
           run.Picture(1, L"create-account") && run.Next(IDC_CREATE_BUTTON, View::Profile) &&
           run.Type(IDC_PROFILE_NAME, args[3]) && run.Picture(3, L"profile-after-create") &&
           run.Next(IDC_NEXT, View::Done) && run.Picture(5, L"done-after-create");
}

struct Path {
    const wchar_t* name;
    std::size_t argumentCount;  // after the directory
    bool (*drive)(DemoRun&, const std::vector<std::wstring>&);
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
        Program program(L"/installer");
        const HWND wizard = program.Wizard();
        if (wizard == nullptr) {
            Say("the wizard window did not open");
            return 1;
        }
        DemoRun run(wizard, args[1]);
        bool done = path.drive(run, {args.begin() + 2, args.end()});
        if (done) {
            PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(IDC_FINISH, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(wizard, IDC_FINISH)));
            const auto exitCode = program.WaitForExit(kRunTimeoutMs);
            done = exitCode == 0u;
            Say(exitCode ? "Finish: the program ended with exit code " + std::to_string(*exitCode)
                         : "the program did not end after Finish");
        }
        for (const std::string& line : program.Texts()) Say("  program: " + line);
        return done ? 0 : 1;
    }
    return Usage();
}
