// Drives TirnaUIAuth.exe (beside this program) through one path of an installer run
// as a parent would, and saves a picture of the wizard on every page it passes:
//
//   tirna_demo_driver.exe [--frames] sign-in DIR USER PASSWORD PROFILE
//       signs in and picks the existing child profile PROFILE: pages 0, 2 and 4
//   tirna_demo_driver.exe [--frames] create-account DIR USER PASSWORD EMAIL PROFILE
//       creates the account and names the new child profile PROFILE: pages 1, 3 and 5
//
// The pictures are DIR\page-N-NAME.bmp. With --frames the driver also saves a frame
// after every step a parent would see, for an animation: DIR\frame-NN-KIND.bmp, KIND
// being "step" (text typed, a profile chosen), "press" (a button held down), "page",
// "box" (a message box in front) or "finish" (Finish held down, the run's last frame);
// and the account-creation path first leaves the e-mail address out and, asked
// whether to go on without one, goes back to add it.
// The exit code is 0 when the program ended with 0 after Finish, and 1 when the run
// went any other way (the reason is printed).

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/control_ids.h"
#include "demo/window_picture.h"
#include "tests/blackbox/harness.h"

namespace {

void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

class DemoRun {
  public:
    DemoRun(Program& program, HWND wizard, std::wstring directory, bool frames)
        : program_(program), wizard_(wizard), directory_(std::move(directory)), frames_(frames) {}

    // Saving frames for an animation.
    bool Animated() const { return frames_; }
    bool Reach(View view) {
        if (WaitForView(wizard_, view)) return Frame(L"page");
        Say("the wizard did not reach the page it should; it shows: " + Look(wizard_));
        return false;
    }
    bool Type(int id, const std::wstring& text) {
        if (TypeInto(GetDlgItem(wizard_, id), text)) return Frame(L"step");
        Say("could not type into control " + std::to_string(id));
        return false;
    }
    bool Choose(const std::wstring& profile) {
        const HWND list = FindWindowExW(wizard_, nullptr, L"ComboBox", nullptr);
        if (SendTo(list, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(profile.c_str())) != CB_ERR) {
            return Frame(L"step");
        }
        Say("the profile list has no entry " + Utf8(profile));
        return false;
    }
    // Clicks a button of the wizard; in an animation it is first seen held down.
    bool Press(int button, const wchar_t* kind = L"press") {
        const HWND control = GetDlgItem(wizard_, button);
        if (!HoldDown(control, kind)) return false;
        PostMessageW(wizard_, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
        return true;
    }
    // Presses a button and waits for the page it leads to.
    bool Next(int button, View view) { return Press(button) && Reach(view); }
    // Waits for a message box and clicks its button `answer`.
    bool Answer(int answer) {
        HWND box = nullptr;
        const auto shown = program_.WaitForBox(&box);
        if (!shown) {
            Say("no message box came; the wizard shows: " + Look(wizard_));
            return false;
        }
        Say("box \"" + Utf8(shown->title) + "\": " + Utf8(shown->text));
        if (!Frame(L"box") || !HoldDown(GetDlgItem(box, answer), L"press")) return false;
        PostMessageW(box, WM_COMMAND, static_cast<WPARAM>(answer), 0);
        if (PollUntil([box] { return !IsWindow(box); })) return true;
        Say("the box stays");
        return false;
    }
    bool Picture(int page, const std::wstring& name) {
        const std::wstring file = L"page-" + std::to_wstring(page) + L"-" + name + L".bmp";
        if (!Save(file)) return false;
        Say("page " + std::to_string(page) + ": " + Look(wizard_) + ", saved " + Utf8(file));
        return true;
    }

  private:
    // The wizard's part of the screen, with a box in front of it if one is open, as the
    // animation's next frame.
    bool Frame(const wchar_t* kind) {
        if (!frames_) return true;
        std::wstring number = std::to_wstring(++frameCount_);
        if (number.size() < 2) number.insert(0, 1, L'0');  // the files sort in their order
        return Save(L"frame-" + number + L"-" + kind + L".bmp");
    }
    // The button drawn pressed for one frame, as under a mouse button.
    bool HoldDown(HWND button, const wchar_t* kind) {
        if (!frames_) return true;
        SendTo(button, BM_SETSTATE, TRUE);
        const bool saved = Frame(kind);
        SendTo(button, BM_SETSTATE, FALSE);
        return saved;
    }
    bool Save(const std::wstring& file) {
        if (SaveWindowPicture(wizard_, directory_ + L"\\" + file)) return true;
        Say("could not save the picture " + Utf8(file));
        return false;
    }

    Program& program_;
    HWND wizard_;
    std::wstring directory_;
    bool frames_;
    int frameCount_ = 0;
};

// User and password on page 0, an existing profile on page 2, Finish on page 4.
bool SignInPath(DemoRun& run, const std::vector<std::wstring>& args) {
    return run.Reach(View::SignIn) && run.Type(IDC_SIGNIN_USER, args[0]) &&
           run.Type(IDC_SIGNIN_PASSWORD, args[1]) && run.Picture(0, L"sign-in") &&
           run.Next(IDC_SIGNIN_BUTTON, View::Profile) && run.Choose(args[2]) &&
           run.Picture(2, L"profile-after-sign-in") && run.Next(IDC_NEXT, View::Done) &&
           run.Picture(4, L"done-after-sign-in");
}

// The account's four fields on page 1 (in an animation the e-mail address comes last,
// once the wizard has asked for it), a new profile's name on page 3, Finish on page 5.
bool CreateAccountPath(DemoRun& run, const std::vector<std::wstring>& args) {
    return run.Reach(View::SignIn) && run.Next(IDC_CREATE_SELECTOR, View::CreateAccount) &&
           run.Type(IDC_CREATE_USER, args[0]) && run.Type(IDC_CREATE_PASSWORD, args[1]) &&
           run.Type(IDC_CREATE_CONFIRM, args[1]) &&
           (!run.Animated() || (run.Press(IDC_CREATE_BUTTON) && run.Answer(IDNO))) &&
           run.Type(IDC_CREATE_EMAIL, args[2]) && run.Picture(1, L"create-account") &&
           run.Next(IDC_CREATE_BUTTON, View::Profile) && run.Type(IDC_PROFILE_NAME, args[3]) &&
           run.Picture(3, L"profile-after-create") && run.Next(IDC_NEXT, View::Done) &&
           run.Picture(5, L"done-after-create");
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
    Say("usage: tirna_demo_driver.exe [--frames] sign-in DIR USER PASSWORD PROFILE\n"
        "       tirna_demo_driver.exe [--frames] create-account DIR USER PASSWORD EMAIL PROFILE");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::wstring> args(argv + 1, argv + argc);
    const bool frames = !args.empty() && args[0] == L"--frames";
    if (frames) args.erase(args.begin());
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
        // Wine without a window manager puts the wizard in front but draws its caption
        // as inactive until its first message box; an animation shows it as Windows does.
        if (frames && PollUntil([wizard] { return GetForegroundWindow() == wizard; }, 2000)) {
            SendTo(wizard, WM_NCACTIVATE, TRUE);
        }
        DemoRun run(program, wizard, args[1], frames);
        bool done =
            path.drive(run, {args.begin() + 2, args.end()}) && run.Press(IDC_FINISH, L"finish");
        if (done) {
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
