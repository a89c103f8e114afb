// The check kit's runner: runs every case of the kit's test programs, each in its
// own process, on a Windows machine. It refuses before it changes anything when it
// is not elevated, while the program runs, or where the product is installed unless
// told to go on; then it saves the product's key tree and puts it back after the
// last case, or at its next start when a run ended half-way.
//   run-checks.exe [--go-on] [--filter PATTERN]    run the checks
//   run-checks.exe --sandbox                        write the Windows Sandbox file

#include <winsock2.h>
#include <windows.h>
#include <sddl.h>
#include <winhttp.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Strings = std::vector<std::wstring>;
constexpr wchar_t kProductKey[] = L"SOFTWARE\\TirnaParental";
constexpr wchar_t kMutexName[] = L"Global\\TirnaUIAuth";
constexpr wchar_t kSaved[] = L"product-key.saved";  // beside the runner while a run lasts
constexpr const wchar_t* kPrograms[] = {L"blackbox_tests.exe", L"inprocess_tests.exe"};
constexpr DWORD kCaseTimeoutMs = 300000;

std::wstring g_kit;  // the folder the runner is in, with a trailing backslash
std::wstring g_log;  // all that was printed, written beside the runner at the end

void Print(const std::wstring& line) {
    g_log += line + L"\n";
    std::fwprintf(stdout, L"%ls\n", line.c_str());
    std::fflush(stdout);
}

int Refuse(const std::wstring& why) {
    Print(L"run-checks: refused, nothing was changed: " + why);
    return 2;
}

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3 + 1, '\0');
    out.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(),
                            static_cast<int>(out.size()), nullptr, nullptr)));
    return out;
}

std::wstring Wide(const std::string& text) {
    std::wstring out(text.size() + 1, L'\0');
    out.resize(static_cast<std::size_t>(
        MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(),
                            static_cast<int>(out.size()))));
    return out;
}

std::wstring Xml(const std::wstring& text) {
    std::wstring out;
    for (const wchar_t c : text) {
        switch (c) {
            case L'&':
                out += L"&amp;";
                break;
            case L'<':
                out += L"&lt;";
                break;
            case L'>':
                out += L"&gt;";
                break;
            case L'"':
                out += L"&quot;";
                break;
            default:
                out += (c < 32 && c != L'\n' && c != L'\t') ? L'?' : c;
        }
    }
    return out;
}

bool WriteFile(const std::wstring& name, const std::string& bytes) {
    const std::wstring temporary = g_kit + name + L".new";
    std::ofstream file(std::filesystem::path(temporary), std::ios::binary | std::ios::trunc);
    file << bytes;
    file.close();
    return file && MoveFileExW(temporary.c_str(), (g_kit + name).c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

// ---- The machine ----------------------------------------------------------------

void DescribeMachine() {
    using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    using WineVersion = const char*(CDECL*)();
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    OSVERSIONINFOW version{sizeof(version), 0, 0, 0, 0, {}};
    reinterpret_cast<RtlGetVersion>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))(&version);
    const auto wine = reinterpret_cast<WineVersion>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    std::wstring proxy;
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
    if (WinHttpGetIEProxyConfigForCurrentUser(&user)) {
        if (user.fAutoDetect) proxy += L" automatic detection on;";
        if (user.lpszAutoConfigUrl)
            proxy += L" script " + std::wstring(user.lpszAutoConfigUrl) + L";";
        if (user.lpszProxy) proxy += L" user proxy " + std::wstring(user.lpszProxy) + L";";
        for (const LPWSTR text : {user.lpszAutoConfigUrl, user.lpszProxy, user.lpszProxyBypass})
            GlobalFree(text);
    }
    WINHTTP_PROXY_INFO machine{};
    if (WinHttpGetDefaultProxyConfiguration(&machine)) {
        if (machine.lpszProxy) proxy += L" WinHTTP proxy " + std::wstring(machine.lpszProxy) + L";";
        GlobalFree(machine.lpszProxy);
        GlobalFree(machine.lpszProxyBypass);
    }
    wchar_t line[512];
    swprintf(line, 512,
             L"Machine: Windows %lu.%lu build %lu%ls%ls; %lu processors in %u group(s); %d DPI; "
             L"code page %u (OEM %u); proxy:%ls",
             version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber,
             wine ? L", under Wine " : L"", wine ? Wide(wine()).c_str() : L"",
             GetActiveProcessorCount(ALL_PROCESSOR_GROUPS), GetActiveProcessorGroupCount(), dpi,
             GetACP(), GetOEMCP(), proxy.empty() ? L" none configured" : proxy.c_str());
    Print(line);
}

bool Elevated() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    BOOL member = FALSE;
    if (AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                 0, 0, 0, 0, &administrators)) {
        if (!CheckTokenMembership(nullptr, administrators, &member)) member = FALSE;
        FreeSid(administrators);
    }
    return member != FALSE;
}

// Backup and restore let the saved tree be read and written whatever its keys allow.
void EnablePrivileges() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return;
    for (const wchar_t* name : {SE_BACKUP_NAME, SE_RESTORE_NAME, SE_TAKE_OWNERSHIP_NAME}) {
        TOKEN_PRIVILEGES privileges{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
        if (LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid))
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
    CloseHandle(token);
}

// The port of the loopback service that the cases play: it must be free.
bool PortFree(u_short port) {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
    const SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const BOOL exclusive = TRUE;
    setsockopt(probe, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
               sizeof(exclusive));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool free = bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
    closesocket(probe);
    WSACleanup();
    return free;
}

// ---- The product's key tree -------------------------------------------------------
// Saved as text, a line each: "key PATH SDDL" (PATH below the product key, "." for
// the key itself) and after it "value NAME TYPE BYTES"; names and bytes in hex.

std::string Hex(const void* data, std::size_t size) {
    std::string hex;
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned byte = static_cast<const unsigned char*>(data)[i];
        hex += "0123456789abcdef"[byte >> 4];
        hex += "0123456789abcdef"[byte & 15];
    }
    return hex.empty() ? "-" : hex;
}

std::string Unhex(const std::string& hex) {
    std::string bytes;
    for (std::size_t i = 0; hex != "-" && i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return bytes;
}

std::wstring WideOf(const std::string& bytes) {
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
}

constexpr SECURITY_INFORMATION kSecurity =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

bool SaveKey(HKEY parent, const std::wstring& name, const std::wstring& path, std::string& out) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_BACKUP_RESTORE,
                        KEY_READ | READ_CONTROL, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    DWORD size = 0;
    RegGetKeySecurity(key, kSecurity, nullptr, &size);
    std::string descriptor(size, '\0');
    LPWSTR sddl = nullptr;
    bool ok = RegGetKeySecurity(key, kSecurity, descriptor.data(), &size) == ERROR_SUCCESS &&
              ConvertSecurityDescriptorToStringSecurityDescriptorW(
                  descriptor.data(), SDDL_REVISION_1, kSecurity, &sddl, nullptr);
    if (ok) {
        out += "key " + (path.empty() ? "." : Hex(path.data(), path.size() * 2)) + " " +
               Utf8(sddl) + "\n";
        LocalFree(sddl);
    }
    std::vector<wchar_t> valueName(16384);
    for (DWORD i = 0, length = 16384, type = 0, bytes = 0;
         ok && RegEnumValueW(key, i, valueName.data(), &length, nullptr, &type, nullptr, &bytes) ==
                   ERROR_SUCCESS;
         ++i, length = 16384) {
        std::string data(bytes, '\0');
        ok = RegQueryValueExW(key, valueName.data(), nullptr, nullptr,
                              reinterpret_cast<BYTE*>(data.data()), &bytes) == ERROR_SUCCESS;
        out += "value " + Hex(valueName.data(), length * 2) + " " + std::to_string(type) + " " +
               Hex(data.data(), bytes) + "\n";
    }
    Strings children;
    for (DWORD i = 0, length = 256; ok && RegEnumKeyExW(key, i, valueName.data(), &length, nullptr,
                                                        nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, length = 256) {
        children.emplace_back(valueName.data(), length);
    }
    for (const std::wstring& child : children)
        ok = ok && SaveKey(key, child, path.empty() ? child : path + L"\\" + child, out);
    RegCloseKey(key);
    return ok;
}

// The tree as text, "absent" when there is no product key; false when it cannot be read.
bool ReadTree(std::string& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &key) == ERROR_FILE_NOT_FOUND) {
        out = "absent\n";
        return true;
    }
    if (key) RegCloseKey(key);
    out.clear();
    return SaveKey(HKEY_LOCAL_MACHINE, kProductKey, L"", out);
}

// Deletes whatever the cases left and writes the saved tree back: keys and values
// first, then each key's security, the deepest first, so that no key's own rights
// stand in the way of writing below it. True when it reads back exactly as saved.
bool PutBack(const std::string& saved) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kProductKey);
    std::vector<std::pair<HKEY, std::wstring>> secured;
    std::istringstream lines(saved);
    HKEY key = nullptr;
    bool ok = true;
    for (std::string kind, first, second, third; lines >> kind;) {
        if (kind == "absent") break;
        if (kind == "key") {
            lines >> first >> second;
            const std::wstring path =
                first == "." ? kProductKey : kProductKey + (L"\\" + WideOf(Unhex(first)));
            key = nullptr;
            ok =
                RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr,
                                REG_OPTION_BACKUP_RESTORE, KEY_ALL_ACCESS | WRITE_OWNER | WRITE_DAC,
                                nullptr, &key, nullptr) == ERROR_SUCCESS &&
                ok;
            if (key) secured.emplace_back(key, Wide(second));
        } else {
            lines >> first >> second >> third;
            // Followed by no NUL: the registry would store a text's terminator too.
            const std::string name = Unhex(first), data = Unhex(third) + "\xFF\xFF";
            ok = key &&
                 RegSetValueExW(key, name.empty() ? nullptr : WideOf(name).c_str(), 0,
                                static_cast<DWORD>(std::stoul(second)),
                                reinterpret_cast<const BYTE*>(data.data()),
                                static_cast<DWORD>(data.size() - 2)) == ERROR_SUCCESS &&
                 ok;
        }
    }
    for (auto it = secured.rbegin(); it != secured.rend(); ++it) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ok = ConvertStringSecurityDescriptorToSecurityDescriptorW(
                 it->second.c_str(), SDDL_REVISION_1, &descriptor, nullptr) &&
             RegSetKeySecurity(it->first, kSecurity, descriptor) == ERROR_SUCCESS && ok;
        LocalFree(descriptor);
        RegCloseKey(it->first);
    }
    std::string now;
    return ok && ReadTree(now) && now == saved;
}

// ---- The cases --------------------------------------------------------------------

struct Case {
    std::wstring program, name, outcome, output;
    double seconds = 0;
};

// Runs a program of the kit to its end (or its time-out) in the job, its output in a file.
std::string RunProgram(HANDLE job, const std::wstring& program, const std::wstring& arguments,
                       DWORD* exitCode) {
    const std::wstring outputPath = g_kit + L"case-output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const HANDLE output = CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = startup.hStdError = output;
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + g_kit + program + L"\" " + arguments;
    *exitCode = 255;
    std::string text;
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED,
                       nullptr, g_kit.c_str(), &startup, &info)) {
        AssignProcessToJobObject(job, info.hProcess);
        ResumeThread(info.hThread);
        if (WaitForSingleObject(info.hProcess, kCaseTimeoutMs) == WAIT_TIMEOUT) {
            TerminateProcess(info.hProcess, 254);
            WaitForSingleObject(info.hProcess, INFINITE);
            text = "run-checks: the case did not end within its time and was stopped\n";
        }
        GetExitCodeProcess(info.hProcess, exitCode);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(output);
    std::ifstream file(std::filesystem::path(outputPath), std::ios::binary);
    text = std::string(std::istreambuf_iterator<char>(file), {}) + text;
    file.close();
    DeleteFileW(outputPath.c_str());
    return text;
}

// The cases of a program as GoogleTest lists them: "Suite." then "  Name  # ...".
Strings ListCases(HANDLE job, const std::wstring& program, const std::wstring& filter) {
    DWORD code = 0;
    std::istringstream lines(
        RunProgram(job, program, L"--gtest_list_tests --gtest_filter=" + filter, &code));
    Strings cases;
    std::wstring suite;
    for (std::string line; std::getline(lines, line);) {
        line = line.substr(0, line.find_first_of("# \r", line.starts_with("  ") ? 2 : 0));
        if (line.starts_with("  "))
            cases.push_back(suite + Wide(line.substr(2)));
        else if (line.ends_with('.'))
            suite = Wide(line);
    }
    return cases;
}

// The reason a skipped case gives, and any note a case prints ("note: ...").
Strings Remarks(const std::string& output) {
    Strings remarks;
    std::istringstream lines(output);
    bool afterSkip = false;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (afterSkip && !line.empty() && !line.starts_with("[")) remarks.push_back(Wide(line));
        afterSkip = line.ends_with(": Skipped");
        if (line.starts_with("note: ")) remarks.push_back(Wide(line));
    }
    return remarks;
}

void WriteJUnit(const std::vector<Case>& cases) {
    int failures = 0, skipped = 0;
    double seconds = 0;
    std::wstring body;
    for (const Case& c : cases) {
        failures += c.outcome == L"failed";
        skipped += c.outcome == L"skipped";
        seconds += c.seconds;
        wchar_t time[32];
        swprintf(time, 32, L"%.3f", c.seconds);
        body += L"  <testcase classname=\"" + Xml(c.program) + L"\" name=\"" + Xml(c.name) +
                L"\" time=\"" + time + L"\">";
        if (c.outcome == L"failed")
            body += L"<failure message=\"failed\">" + Xml(c.output) + L"</failure>";
        if (c.outcome == L"skipped") body += L"<skipped/>";
        body += L"</testcase>\n";
    }
    wchar_t head[256];
    swprintf(head, 256,
             L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuite name=\"TirnaUIAuth checks\" "
             L"tests=\"%zu\" failures=\"%d\" skipped=\"%d\" time=\"%.3f\">\n",
             cases.size(), failures, skipped, seconds);
    WriteFile(L"results.xml", Utf8(head + body + L"</testsuite>\n"));
}

volatile LONG g_stop = 0;  // Ctrl+C: no further case starts, the key is put back

BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    InterlockedExchange(&g_stop, 1);
    return TRUE;
}

int WriteSandbox() {
    // Mapped writable: the results come back into this folder.
    const std::wstring folder = g_kit.substr(0, g_kit.size() - 1);
    const std::wstring wsb =
        L"<Configuration>\r\n  <MappedFolders>\r\n    <MappedFolder>\r\n      <HostFolder>" +
        Xml(folder) +
        L"</HostFolder>\r\n      <SandboxFolder>C:\\TirnaChecks</SandboxFolder>\r\n"
        L"      <ReadOnly>false</ReadOnly>\r\n    </MappedFolder>\r\n  </MappedFolders>\r\n"
        L"  <LogonCommand>\r\n    <Command>cmd.exe /c C:\\TirnaChecks\\run-checks.exe "
        L"&gt;C:\\TirnaChecks\\sandbox-output.txt 2&gt;&amp;1</Command>\r\n  </LogonCommand>\r\n"
        L"</Configuration>\r\n";
    if (!WriteFile(L"TirnaUIAuth-checks.wsb", Utf8(wsb))) {
        Print(L"run-checks: cannot write " + g_kit + L"TirnaUIAuth-checks.wsb");
        return 1;
    }
    Print(L"Wrote " + g_kit +
          L"TirnaUIAuth-checks.wsb: open it to run the checks in Windows "
          L"Sandbox; they write results.txt and results.xml into " +
          folder);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    wchar_t self[MAX_PATH];
    const std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    g_kit = path.substr(0, path.find_last_of(L'\\') + 1);
    bool goOn = false;
    std::wstring filter = L"*";
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        if (argument == L"--sandbox") return WriteSandbox();
        if (argument == L"--go-on")
            goOn = true;
        else if (argument == L"--filter" && i + 1 < argc)
            filter = argv[++i];
        else {
            Print(L"usage: run-checks.exe [--go-on] [--filter PATTERN] | --sandbox");
            return 2;
        }
    }
    DescribeMachine();
    if (!Elevated())
        return Refuse(
            L"the checks write machine-wide registry values: run run-checks.exe from "
            L"an elevated command prompt (Run as administrator).");
    if (const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, kMutexName)) {
        CloseHandle(mutex);
        return Refuse(
            L"TirnaUIAuth or another part of the product is running (it holds the "
            L"mutex Global\\TirnaUIAuth). Close it, or run the checks in Windows Sandbox "
            L"(run-checks.exe --sandbox).");
    }
    if (!PortFree(TIRNA_SERVICE_PORT))
        return Refuse(L"another program uses the loopback port " +
                      std::to_wstring(TIRNA_SERVICE_PORT) +
                      L", where the checks play the Tirna service. End it and run again.");
    EnablePrivileges();
    std::ifstream savedFile(std::filesystem::path(g_kit + kSaved), std::ios::binary);
    std::string saved(std::istreambuf_iterator<char>(savedFile), {});
    savedFile.close();
    if (!saved.empty()) {
        const bool back = PutBack(saved);
        Print(back ? L"A run of the checks ended half-way: the product's key "
                     L"HKLM\\SOFTWARE\\TirnaParental was put back as that run had saved it."
                   : L"A run of the checks ended half-way, and the product's key could not be put "
                     L"back exactly; its saved copy stays in " +
                         g_kit + kSaved);
        if (!back) return 1;
        DeleteFileW((g_kit + kSaved).c_str());
    }
    if (!ReadTree(saved))
        return Refuse(L"the product's key HKLM\\SOFTWARE\\TirnaParental cannot be read whole.");
    if (saved != "absent\n" && !goOn)
        return Refuse(
            L"the product is installed here (HKLM\\SOFTWARE\\TirnaParental exists), and "
            L"the checks delete that key and write made-up credentials into it. Run "
            L"them in Windows Sandbox instead: run-checks.exe --sandbox writes the "
            L"Sandbox file. Or add --go-on: the key is saved first and put back after "
            L"the last case.");
    if (!WriteFile(kSaved, saved))
        return Refuse(L"cannot save the product's key into " + g_kit + kSaved);
    if (saved != "absent\n") Print(L"Saved the product's key into " + g_kit + kSaved + L".");

    // Cases still running when the runner ends, however it ends, end with it.
    const HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    SetConsoleCtrlHandler(OnControl, TRUE);
    std::vector<Case> cases;
    int passed = 0, failed = 0, skipped = 0;
    for (const wchar_t* program : kPrograms) {
        for (const std::wstring& name : ListCases(job, program, filter)) {
            if (g_stop) break;
            Case c{program, name, {}, {}};
            DWORD code = 0;
            const ULONGLONG start = GetTickCount64();
            const std::string output = RunProgram(job, program, L"--gtest_filter=" + name, &code);
            c.seconds = static_cast<double>(GetTickCount64() - start) / 1000;
            c.output = Wide(output);
            c.outcome = code != 0                                          ? L"failed"
                        : output.find("[  SKIPPED ]") != std::string::npos ? L"skipped"
                                                                           : L"passed";
            (code != 0 ? failed : c.outcome == L"skipped" ? skipped : passed) += 1;
            wchar_t line[64];
            swprintf(line, 64, L" (%.1f s)", c.seconds);
            Print(c.outcome + L"  " + name + line);
            for (const std::wstring& remark : Remarks(output)) Print(L"    " + remark);
            if (code != 0) Print(c.output);
            cases.push_back(std::move(c));
        }
    }
    CloseHandle(job);
    const bool back = PutBack(saved);
    if (back) DeleteFileW((g_kit + kSaved).c_str());
    Print(saved == "absent\n"
              ? (back ? L"The product's key was absent and is deleted again."
                      : L"The cases left a product key that could not be deleted.")
              : (back ? L"The product's key was put back exactly as it was saved."
                      : L"The product's key could not be put back exactly; its saved copy stays "
                        L"in " +
                            g_kit + kSaved + L" and the next start tries again."));
    WriteJUnit(cases);
    if (g_stop) Print(L"Stopped by Ctrl+C before every case ran.");
    if (skipped) Print(std::to_wstring(skipped) + L" skipped (their reasons are above)");
    Print(std::to_wstring(passed) + L" passed, " + std::to_wstring(failed) + L" failed");
    WriteFile(L"results.txt", Utf8(g_log));
    return failed == 0 && back && !g_stop ? 0 : 1;
}
