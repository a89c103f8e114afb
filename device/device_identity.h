#pragma once
// The device's description, read afresh from the system on every call; nothing
// is cached. None of these fails: a failed read shows only in the value.

#include <string>

// 47 characters: the volume serial of "C:\" ("AA-AA-AA-AA" when unreadable) and
// the four registers of CPUID leaf 1, read on whichever processor the thread runs,
// with the byte that names that processor written as 00: one computer gives one
// identifier.
[[nodiscard]] std::string GetDeviceId();

// "2" when the power status knows the AC line state (or the query failed), else "1".
[[nodiscard]] std::string GetDeviceType();

// The physical DNS host name, else the NetBIOS name, else empty.
[[nodiscard]] std::wstring GetDeviceName();

// "<vendor> <model> <processor> " from WMI, as far as the queries got; COM must be
// initialised on the calling thread.
[[nodiscard]] std::wstring GetDeviceConfig();
