#pragma once
// The current user's proxy settings as the system keeps them: the binary record
// that WinHttpGetIEProxyConfigForCurrentUser reads, set for one test and put back
// as it was afterwards.

#include <windows.h>

#include <optional>
#include <string>

// Flags of the record.
inline constexpr DWORD kUseFixedProxy = 0x2;
inline constexpr DWORD kUseConfigScript = 0x4;

// A well-formed record: version, change counter, flags, then the proxy list, the
// bypass list and the configuration script's address, each counted.
std::string ProxySettingsRecord(DWORD flags, const std::string& proxy, const std::string& bypass,
                                const std::string& scriptUrl);

class UserProxySettings {
  public:
    // Stores `record` (any bytes) as the current user's settings.
    explicit UserProxySettings(const std::string& record);
    ~UserProxySettings();
    UserProxySettings(const UserProxySettings&) = delete;
    UserProxySettings& operator=(const UserProxySettings&) = delete;

  private:
    void Write(const std::string& bytes);

    HKEY key_ = nullptr;
    std::optional<std::string> saved_;
};
