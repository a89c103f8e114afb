// The check kit's runner (docs/WINDOWS-CHECKS.md): every case of the kit's test programs,
// each in its own process. It refuses before it changes anything when not elevated, while
// the program runs, or where the product's key exists unless told to go on; it saves that
// key's tree and puts it back after the last case, or at the next start after a run that
// ended half-way.
//   run-checks.exe [--go-on] [--filter PATTERN]  |  run-checks.exe --sandbox

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>
#include <winhttp.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kProductKey[] = L"SOFTWARE\\TirnaParental";
constexpr wchar_t kSaved[] = L"product-key.saved";  // beside the runner while a run lasts
constexpr SECURITY_INFORMATION kSecurity =
    OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
std::wstring g_kit;  // the runner's folder, with its backslash
std::wstring g_log;  // all that was printed: results.txt

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
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                   out.data(), static_cast<int>(out.size()), nullptr, nullptr));
    return out;
}

std::wstring Wide(const std::string& text) {
    std::wstring out(text.size() + 1, L'\0');
    out.resize(MultiByteToWideChar(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                   out.data(), static_cast<int>(out.size())));
    return out;
}

std::wstring Xml(const std::wstring& text) {
    std::wstring out;
    for (const wchar_t c : text) {
        const wchar_t* const names[] = {L"&amp;", L"&lt;", L"&gt;", L"&quot;"};
        const std::size_t at = std::wstring_view(L"&<>\"").find(c);
        out += at < 4 ? names[at] : c < 32 && c != L'\n' ? L"?" : std::wstring(1, c);
    }
    return out;
}

std::string Read(const std::wstring& name) {
    std::ifstream file(std::filesystem::path(g_kit + name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

// Written whole or not at all.
bool Write(const std::wstring& name, const std::string& bytes) {
    const std::wstring path = g_kit + name, temporary = path + L".new";
    std::ofstream(std::filesystem::path(temporary), std::ios::binary) << bytes;
    return Read(name + L".new") == bytes &&
           MoveFileExW(temporary.c_str(), path.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

void DescribeMachine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    OSVERSIONINFOW version{sizeof(version), 0, 0, 0, 0, {}};
    reinterpret_cast<LONG(WINAPI*)(OSVERSIONINFOW*)>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))(&version);
    const auto wine = reinterpret_cast<const char*(CDECL*)()>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};  // its texts stay, as the runner soon ends
    WINHTTP_PROXY_INFO machine{};
    WinHttpGetIEProxyConfigForCurrentUser(&user);
    WinHttpGetDefaultProxyConfiguration(&machine);
    const wchar_t* const proxy = user.lpszAutoConfigUrl ? user.lpszAutoConfigUrl
                                 : user.lpszProxy       ? user.lpszProxy
                                 : machine.lpszProxy    ? machine.lpszProxy
                                                        : L"none configured";
    wchar_t line[1024];
    swprintf(line, 1024,
             L"Machine: Windows %lu.%lu build %lu%ls%ls; %lu processors in %u group(s); %d DPI; "
             L"code page %u (OEM %u); proxy: %ls%ls",
             version.dwMajorVersion, version.dwMinorVersion, version.dwBuildNumber,
             wine ? L", under Wine " : L"", wine ? Wide(wine()).c_str() : L"",
             GetActiveProcessorCount(ALL_PROCESSOR_GROUPS), GetActiveProcessorGroupCount(), dpi,
             GetACP(), GetOEMCP(), proxy, user.fAutoDetect ? L", automatic detection on" : L"");
    Print(line);
}

// Backup and restore let the tree be read and written back, owners included, whatever its
// keys allow.
void EnablePrivileges() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) return;
    for (const wchar_t* name : {SE_BACKUP_NAME, SE_RESTORE_NAME}) {
        TOKEN_PRIVILEGES privileges{1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
        if (LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid))
            AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
    CloseHandle(token);
}

// ---- The product's key tree, as text: a line "key PATH SDDL" for each key (PATH below
// the product key, "." for itself), after it "value NAME TYPE BYTES"; names and bytes in hex.

std::string Hex(const void* data, std::size_t size) {
    std::string hex = size ? "" : "-";
    for (std::size_t i = 0; i < size; ++i) {
        const unsigned byte = static_cast<const unsigned char*>(data)[i];
        hex += {"0123456789abcdef"[byte >> 4], "0123456789abcdef"[byte & 15]};
    }
    return hex;
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

HKEY Open(const std::wstring& path, REGSAM access) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kProductKey + path).c_str(), 0, nullptr,
                    REG_OPTION_BACKUP_RESTORE, access, nullptr, &key, nullptr);
    return key;
}

bool SaveKey(const std::wstring& path, std::string& out) {
    const HKEY key = Open(path, KEY_READ);
    DWORD size = 0;
    RegGetKeySecurity(key, kSecurity, nullptr, &size);
    std::string descriptor(size, '\0');
    LPWSTR sddl = nullptr;
    bool ok = key && RegGetKeySecurity(key, kSecurity, descriptor.data(), &size) == 0 &&
              ConvertSecurityDescriptorToStringSecurityDescriptorW(
                  descriptor.data(), SDDL_REVISION_1, kSecurity, &sddl, nullptr);
    if (ok)
        out += "key " + (path.empty() ? "." : Hex(path.data() + 1, path.size() * 2 - 2)) + " " +
               Utf8(sddl) + "\n";
    LocalFree(sddl);
    std::vector<wchar_t> name(16384);
    for (DWORD i = 0, length = 16384, type = 0, bytes = 0;
         ok && !RegEnumValueW(key, i, name.data(), &length, nullptr, &type, nullptr, &bytes);
         ++i, length = 16384) {
        std::string data(bytes, '\0');
        ok = !RegQueryValueExW(key, name.data(), nullptr, nullptr,
                               reinterpret_cast<BYTE*>(data.data()), &bytes);
        out += "value " + Hex(name.data(), length * 2) + " " + std::to_string(type) + " " +
               Hex(data.data(), bytes) + "\n";
    }
    std::vector<std::wstring> children;
    for (DWORD i = 0, length = 256;
         ok && !RegEnumKeyExW(key, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
         ++i, length = 256) {
        children.push_back(path + L"\\" + std::wstring(name.data(), length));
    }
    if (key) RegCloseKey(key);
    for (const std::wstring& child : children) ok = ok && SaveKey(child, out);
    return ok;
}

// The tree, or "absent"; false when it cannot be read whole.
bool ReadTree(std::string& out) {
    HKEY key = nullptr;
    out = "absent\n";
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ, &key) == ERROR_FILE_NOT_FOUND)
        return true;
    RegCloseKey(key);
    out.clear();
    return SaveKey(L"", out);
}

// Deletes what the cases left and writes the saved tree: keys and values first, then each
// key's security, the deepest first, so that no key's rights stand in the way of writing
// below it. True when the tree then reads back exactly as saved.
bool PutBack(const std::string& saved) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, kProductKey);
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kProductKey);
    std::vector<std::pair<HKEY, std::wstring>> keys;
    std::istringstream lines(saved);
    bool ok = true;
    for (std::string kind, name, type, data; lines >> kind && kind != "absent";) {
        if (kind == "key" && lines >> name >> data) {
            keys.emplace_back(
                Open(name == "." ? L"" : L"\\" + WideOf(Unhex(name)), KEY_ALL_ACCESS | WRITE_OWNER),
                Wide(data));
            ok = ok && keys.back().first;
        } else if (lines >> name >> type >> data) {
            // Followed by no NUL: the registry would store a text's terminator as well.
            const std::string bytes = Unhex(data) + "\xFF\xFF";
            ok = !keys.empty() &&
                 !RegSetValueExW(keys.back().first, WideOf(Unhex(name)).c_str(), 0,
                                 std::stoul(type), reinterpret_cast<const BYTE*>(bytes.data()),
                                 static_cast<DWORD>(bytes.size() - 2)) &&
                 ok;
        }
    }
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ok = ConvertStringSecurityDescriptorToSecurityDescriptorW(
                 key->second.c_str(), SDDL_REVISION_1, &descriptor, nullptr) &&
             !RegSetKeySecurity(key->first, kSecurity, descriptor) && ok;
        LocalFree(descriptor);
        if (key->first) RegCloseKey(key->first);
    }
    std::string now;
    return ok && ReadTree(now) && now == saved;
}

// ---- The cases ---------------------------------------------------------------------

// A program of the kit run to its end in the job, its output through a file.
std::string RunProgram(HANDLE job, const std::wstring& commandLine, DWORD& exitCode) {
    const std::wstring outputName = L"case-output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    const HANDLE output = CreateFileW((g_kit + outputName).c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                      &inherit, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup), startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    PROCESS_INFORMATION info{};
    std::wstring line = L"\"" + g_kit + commandLine;
    exitCode = 255;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                       g_kit.c_str(), &startup, &info)) {
        AssignProcessToJobObject(job, info.hProcess);
        ResumeThread(info.hThread);
        if (WaitForSingleObject(info.hProcess, 300000) == WAIT_TIMEOUT)
            TerminateProcess(info.hProcess, 254);  // after five minutes
        WaitForSingleObject(info.hProcess, INFINITE);
        GetExitCodeProcess(info.hProcess, &exitCode);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(output);
    const std::string text = Read(outputName);
    DeleteFileW((g_kit + outputName).c_str());
    return text;
}

int WriteSandbox() {
    const std::wstring folder = g_kit.substr(0, g_kit.size() - 1);
    const std::wstring wsb =
        L"<Configuration>\r\n  <MappedFolders>\r\n    <MappedFolder>\r\n      <HostFolder>" +
        Xml(folder) +
        L"</HostFolder>\r\n      <SandboxFolder>C:\\TirnaChecks</SandboxFolder>\r\n"
        L"      <ReadOnly>false</ReadOnly>\r\n    </MappedFolder>\r\n  </MappedFolders>\r\n"
        L"  <LogonCommand>\r\n    <Command>cmd.exe /c C:\\TirnaChecks\\run-checks.exe "
        L"&gt;C:\\TirnaChecks\\sandbox-output.txt 2&gt;&amp;1</Command>\r\n  </LogonCommand>\r\n"
        L"</Configuration>\r\n";
    if (!Write(L"TirnaUIAuth-checks.wsb", Utf8(wsb))) return Refuse(L"cannot write the .wsb");
    Print(L"Wrote " + g_kit +
          L"TirnaUIAuth-checks.wsb: open it to run the checks in Windows "
          L"Sandbox; results.txt and results.xml come into " +
          folder);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    wchar_t self[MAX_PATH];
    const std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
    g_kit = path.substr(0, path.rfind(L'\\') + 1);
    bool goOn = false;
    std::wstring filter = L"*";
    for (int i = 1; i < argc; ++i) {
        const std::wstring argument = argv[i];
        if (argument == L"--sandbox") return WriteSandbox();
        if (argument == L"--go-on")
            goOn = true;
        else if (argument == L"--filter" && i + 1 < argc)
            filter = argv[++i];
        else
            return Refuse(L"usage: run-checks.exe [--go-on] [--filter PATTERN] | --sandbox");
    }
    DescribeMachine();
    if (!IsUserAnAdmin())  // the token holds the Administrators group: elevated
        return Refuse(L"run it from an elevated command prompt (Run as administrator).");
    if (const HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\TirnaUIAuth")) {
        CloseHandle(mutex);
        return Refuse(
            L"TirnaUIAuth or another part of the product holds its mutex Global\\TirnaUIAuth.");
    }
    EnablePrivileges();
    std::string saved = Read(kSaved);
    if (!saved.empty()) {
        if (!PutBack(saved))
            return Refuse(L"the product's key cannot be put back as " + g_kit + kSaved +
                          L" holds it.");
        DeleteFileW((g_kit + kSaved).c_str());
        Print(
            L"A run of the checks ended half-way: the product's key was put back as it saved it.");
    }
    if (!ReadTree(saved))
        return Refuse(L"the product's key HKLM\\SOFTWARE\\TirnaParental cannot be read whole.");
    if (saved != "absent\n" && !goOn)
        return Refuse(
            L"the product is installed (its key exists): use Windows Sandbox "
            L"(run-checks.exe --sandbox), or --go-on to save the key and put it back.");
    if (!Write(kSaved, saved)) return Refuse(L"cannot save the product's key in " + g_kit);

    // Cases still running when the runner ends, however it ends, end with it.
    const HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    int counts[3] = {};  // passed, failed, skipped
    double total = 0;
    std::wstring junit;
    for (const std::wstring program : {L"blackbox_tests.exe", L"inprocess_tests.exe"}) {
        // GoogleTest lists "Suite." and below it "  Name  # parameter".
        DWORD code = 0;
        std::istringstream list(
            RunProgram(job, program + L"\" --gtest_list_tests --gtest_filter=" + filter, code));
        if (code) Print(L"failed  to list the cases of " + program), counts[1] += 1;
        std::wstring suite;
        for (std::string entry; std::getline(list, entry);) {
            entry = entry.substr(0, entry.find_first_of("# \r", entry.starts_with("  ") ? 2 : 0));
            if (!entry.starts_with("  ")) {
                suite = Wide(entry);
                continue;
            }
            const std::wstring name = suite + Wide(entry.substr(2));
            const ULONGLONG start = GetTickCount64();
            const std::string output =
                RunProgram(job, program + L"\" --gtest_filter=" + name, code);
            const double seconds = (GetTickCount64() - start) / 1000.0;
            const int outcome = code ? 1 : output.find("[  SKIPPED ]") != std::string::npos ? 2 : 0;
            counts[outcome] += 1;
            total += seconds;
            const wchar_t* const words[] = {L"passed  ", L"failed  ", L"skipped  "};
            wchar_t line[64];
            swprintf(line, 64, L" (%.1f s)", seconds);
            Print(words[outcome] + name + line);
            // A failed case shows its output, a skipped one its reason, any case its notes.
            std::istringstream lines(output);
            bool reason = false;
            for (std::string text; std::getline(lines, text);) {
                if (!text.empty() && text.back() == '\r') text.pop_back();
                if (text.empty()) continue;
                if (outcome == 1 || (reason && !text.starts_with("[")) ||
                    text.starts_with("note: "))
                    Print(L"    " + Wide(text));
                reason = reason || text.ends_with(": Skipped");
            }
            swprintf(line, 64, L"\" time=\"%.3f\">", seconds);
            junit +=
                L"  <testcase classname=\"" + program + L"\" name=\"" + Xml(name) + line +
                (outcome == 1 ? L"<failure message=\"failed\">" + Xml(Wide(output)) + L"</failure>"
                 : outcome == 2 ? L"<skipped/>"
                                : L"") +
                L"</testcase>\n";
        }
    }
    CloseHandle(job);
    const bool back = PutBack(saved);
    if (back) DeleteFileW((g_kit + kSaved).c_str());
    Print(!back ? L"The product's key could not be put back exactly; its saved copy stays in " +
                      g_kit + kSaved + L", and the next start tries again."
          : saved == "absent\n" ? L"The product's key was absent and is deleted again."
                                : L"The product's key was put back exactly as it was saved.");
    wchar_t head[256];
    swprintf(head, 256,
             L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuite name=\"TirnaUIAuth checks\" "
             L"tests=\"%d\" failures=\"%d\" skipped=\"%d\" time=\"%.3f\">\n",
             counts[0] + counts[1] + counts[2], counts[1], counts[2], total);
    Write(L"results.xml", Utf8(head + junit + L"</testsuite>\n"));
    if (counts[2]) Print(std::to_wstring(counts[2]) + L" skipped (their reasons are above)");
    Print(std::to_wstring(counts[0]) + L" passed, " + std::to_wstring(counts[1]) + L" failed");
    Write(L"results.txt", Utf8(g_log));
    return counts[1] == 0 && back ? 0 : 1;
}
