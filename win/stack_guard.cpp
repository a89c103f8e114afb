// The runtime of the stack canaries and checked C library calls that the program's
// code is built with, in place of libssp's: the same checks and messages, but the
// canary is drawn with RtlGenRandom instead of a CryptoAPI provider, whose loading
// would add milliseconds to every start. Should RtlGenRandom fail, the canary is
// mixed from what differs from one process to the next (the system time, the
// performance counter, the tick count, the process and thread ids), as the Windows C
// runtime makes its security cookie; it never stays the fixed value it starts with.
// Defined only when the code is built with those checks; the functions here carry
// none themselves, so that none of them runs while the canary changes under it.

#include <windows.h>
#include <ntsecapi.h>

#include <cstdint>

#if defined(__SSP_STRONG__)

namespace {

// Ends the process at once, as a corrupted stack or buffer must: nothing of it can
// be trusted to run on.
[[noreturn]] __attribute__((no_stack_protector)) void Stop(const char* message) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), message, lstrlenA(message), &written, nullptr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_STACK_BUFFER_OVERRUN));
    __builtin_unreachable();
}

constexpr std::uintptr_t kUndrawnCanary = 0x2B992DDFA232;

}  // namespace

extern "C" {
void* __stack_chk_guard = reinterpret_cast<void*>(kUndrawnCanary);

[[noreturn]] __attribute__((no_stack_protector)) void __stack_chk_fail() {
    Stop("*** stack smashing detected ***: terminated\n");
}

[[noreturn]] __attribute__((no_stack_protector)) void __stack_chk_fail_local() {
    __stack_chk_fail();
}

#if defined(_FORTIFY_SOURCE) && _FORTIFY_SOURCE >= 2
[[noreturn]] __attribute__((no_stack_protector)) void __chk_fail() {
    Stop("*** buffer overflow detected ***: terminated\n");
}
#endif
}

namespace {

__attribute__((no_stack_protector)) std::uintptr_t MixedCanary() {
    FILETIME time{};
    GetSystemTimeAsFileTime(&time);
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    std::uintptr_t mixed = (std::uintptr_t{time.dwHighDateTime} << 32) ^ time.dwLowDateTime;
    mixed ^= static_cast<std::uintptr_t>(counter.QuadPart) << 32 ^
             static_cast<std::uintptr_t>(counter.QuadPart);
    mixed ^= GetTickCount64() ^ GetCurrentProcessId() ^ std::uintptr_t{GetCurrentThreadId()} << 16;
    return mixed != kUndrawnCanary ? mixed : kUndrawnCanary + 1;
}

// Before any other constructor of the program, so before any protected function runs.
__attribute__((constructor(101), no_stack_protector)) void DrawCanary() {
    if (!RtlGenRandom(&__stack_chk_guard, sizeof(__stack_chk_guard))) {
        __stack_chk_guard = reinterpret_cast<void*>(MixedCanary());
    }
}

}  // namespace

#endif
