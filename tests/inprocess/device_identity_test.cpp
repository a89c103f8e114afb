#include <windows.h>

#include <gtest/gtest.h>

#include <bit>
#include <set>
#include <string>
#include <thread>

#include "device/device_identity.h"

// CPUID names the processor that runs it; the identifier must not. Called from a
// thread pinned to each processor in turn it is one identifier.
TEST(DeviceId, OneIdentifierFromEveryProcessor) {
    DWORD_PTR processMask = 0, systemMask = 0;
    ASSERT_TRUE(GetProcessAffinityMask(GetCurrentProcess(), &processMask, &systemMask));
    if (std::popcount(processMask) < 2) {
        GTEST_SKIP() << "this process may run on one processor only, where every read gives "
                        "the same processor id whether or not it is masked";
    }
    std::set<std::string> ids;
    for (DWORD_PTR processor = 1; processor != 0; processor <<= 1) {
        if ((processMask & processor) == 0) continue;
        std::thread([&] {
            ASSERT_NE(SetThreadAffinityMask(GetCurrentThread(), processor), 0u);
            ids.insert(GetDeviceId());
        }).join();
    }
    EXPECT_EQ(ids.size(), 1u) << testing::PrintToString(ids);
}
