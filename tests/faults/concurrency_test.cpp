// Many copies started at the same moment: the machine-wide mutex lets exactly one
// through to the wizard; every other copy ends at once with code 0, before it
// writes a line or touches anything.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <latch>
#include <thread>

#include "tests/faults/fault_harness.h"

namespace {

constexpr int kCopies = 20;

class Concurrency : public FaultTest {};

// The visible wizard windows of all processes.
int CountWizardWindows() {
    int count = 0;
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            std::array<wchar_t, 64> className{};
            GetClassNameW(window, className.data(), static_cast<int>(className.size()));
            if (std::wstring(className.data()) == L"TIRNAUIAUTH" && IsWindowVisible(window)) {
                ++*reinterpret_cast<int*>(param);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// Starts every copy from its own thread, all released at the same moment.
std::vector<std::unique_ptr<DebuggedProcess>> StartTogether(int copies) {
    std::vector<std::unique_ptr<DebuggedProcess>> processes(static_cast<std::size_t>(copies));
    std::latch start(copies);
    std::vector<std::thread> starters;
    for (auto& process : processes) {
        starters.emplace_back([&start, &process] {
            start.arrive_and_wait();
            process = std::make_unique<DebuggedProcess>(ProgramPath(), L"");
        });
    }
    for (auto& starter : starters) starter.join();
    return processes;
}

// Waits until every copy has ended or shows its wizard, and returns those still
// running (nothing when they did not settle in time).
std::vector<DebuggedProcess*> SettledCopies(
    const std::vector<std::unique_ptr<DebuggedProcess>>& copies) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kRunTimeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        std::vector<DebuggedProcess*> running;
        bool settled = true;
        for (const auto& copy : copies) {
            if (copy->WaitForExit(0)) continue;
            running.push_back(copy.get());
            settled = settled && WaitForWizardWindow(copy->ProcessId(), 0) != nullptr;
        }
        if (settled) return running;
        running.front()->WaitForExit(20);  // another process's window can only be polled
    }
    return {};
}

}  // namespace

TEST_F(Concurrency, TwentyCopiesAtOnceLeaveExactlyOneWizard) {
    const auto service = StartService(true, {}, Reply("-2"));
    auto copies = StartTogether(kCopies);
    for (auto& copy : copies) ASSERT_TRUE(copy->Started());

    // Every copy either ends or opens its wizard; the ones left are the winners.
    const auto running = SettledCopies(copies);
    ASSERT_EQ(running.size(), 1u) << running.size() << " copies kept running";
    DebuggedProcess* winner = running.front();
    const HWND wizard = WaitForWizardWindow(winner->ProcessId(), 0);
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(CountWizardWindows(), 1);

    for (auto& copy : copies) {
        ExpectNoCrash(*copy);
        if (copy.get() == winner) continue;
        EXPECT_EQ(copy->WaitForExit(0), 0u);
        EXPECT_TRUE(copy->Lines().empty()) << copy->Lines().front();
    }
    ASSERT_FALSE(winner->Lines().empty());
    EXPECT_EQ(winner->Lines().front(), "[TirnaParental] Started UI Auth with param: ");
    // Without stored credentials nothing is asked at start, by any copy.
    EXPECT_EQ(service->RequestCount(), 0u);

    EXPECT_EQ(CloseWizard(*winner, wizard, true), 0u);
    ExpectNoCrash(*winner);
    EXPECT_TRUE(SnapshotProductKey().empty());
}
