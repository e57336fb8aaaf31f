// Finding office processes through /proc and ending only the ones we started.
// A copy of `sleep` named soffice.bin stands in for the office's main program.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "app/core/AppMessages.h"
#include "platform/automation/OfficeProcesses.h"
#include "platform/core/Trace.h"
#include "platform/process/ChildProcess.h"
#include "playback/MessageLog.h"
#include "playback/PowerPlugsLaunch.h"
#include "playback/PowerPointProcesses.h"
#include "support/TempDir.h"

namespace kv {
namespace {

class OfficeProcessesTest : public ::testing::Test {
protected:
    ChildProcess StartFakeOffice(const std::string& name = "soffice.bin") {
        std::filesystem::copy_file("/bin/sleep", dir / name, std::filesystem::copy_options::overwrite_existing);
        SpawnOptions options;
        options.newProcessGroup = true;
        ChildProcess child = ChildProcess::Spawn({(dir / name).string(), "30"}, options);
        EXPECT_TRUE(child.Started());
        // Wait until the exec has happened and /proc names the new program.
        for (int i = 0; i < 200; ++i) {
            ProcessEntry entry;
            if (QueryUserProcess(child.Pid(), &entry) && entry.moduleName == name) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return child;
    }
    // Office processes of other programs on this machine (other tests run their own).
    static bool OtherOfficeRuns(pid_t except) {
        std::vector<ProcessEntry> processes;
        EnumUserProcesses(&processes);
        for (const auto& p : processes)
            if (p.pid != except && p.moduleName == kOfficeProcessName && !IsOwnedProcessGroup(p.group)) return true;
        return false;
    }
    kvtest::TempDir dir;
};

TEST_F(OfficeProcessesTest, ListsOwnProcessesWithNameAndGroup) {
    ChildProcess fake = StartFakeOffice();
    std::vector<ProcessEntry> processes;
    ASSERT_TRUE(EnumUserProcesses(&processes));
    EXPECT_TRUE(std::is_sorted(processes.begin(), processes.end(),
                               [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; }));
    auto it = std::find_if(processes.begin(), processes.end(), [&](const ProcessEntry& p) { return p.pid == fake.Pid(); });
    ASSERT_NE(it, processes.end());
    EXPECT_EQ(it->moduleName, "soffice.bin");
    EXPECT_EQ(it->group, fake.Pid()) << "it leads its own process group";
    ProcessEntry init;
    EXPECT_EQ(QueryUserProcess(1, &init), getuid() == 0) << "other users' processes are invisible";
    std::vector<ProcessEntry> few;
    ASSERT_TRUE(EnumUserProcesses(&few, 1));
    EXPECT_EQ(few.size(), 1u);
}

TEST_F(OfficeProcessesTest, AnOfficeWeDidNotStartCountsAsRunningAndIsNeverEnded) {
    ChildProcess fake = StartFakeOffice();
    TraceCapture traces;
    EXPECT_EQ(IsPowerpointRunning(), 1);
    EXPECT_TRUE(traces.Contains("Powerpoint Already Running!!"));
    KillPowerPoint();
    TerminateIfPowerPoint(fake.Pid());
    EXPECT_TRUE(traces.Contains("In KillPowerPoint()"));
    EXPECT_FALSE(traces.Contains("TerminateProcess Succeeded"));
    EXPECT_TRUE(fake.Running());
}

TEST_F(OfficeProcessesTest, AnOfficeWeStartedIsNotTheUsersAndIsEndedByKill) {
    ChildProcess fake = StartFakeOffice();
    ChildProcess other = StartFakeOffice("soffice.binary");  // a similar name is not the office
    RegisterOwnedProcessGroup(fake.Pid());
    RegisterOwnedProcessGroup(other.Pid());
    EXPECT_EQ(IsPowerpointRunning(), OtherOfficeRuns(fake.Pid()) ? 1 : 0);
    TraceCapture traces;
    KillPowerPoint();
    EXPECT_TRUE(traces.Contains("TerminateProcess Succeeded"));
    EXPECT_EQ(fake.Wait(3000), 128 + SIGTERM);
    EXPECT_TRUE(other.Running());
    UnregisterOwnedProcessGroup(fake.Pid());
    UnregisterOwnedProcessGroup(other.Pid());
    EXPECT_FALSE(IsOwnedProcessGroup(fake.Pid()));
}

TEST_F(OfficeProcessesTest, GentleTerminationKillsWhatIgnoresTheRequest) {
    SpawnOptions options;
    options.newProcessGroup = true;
    ChildProcess stubborn = ChildProcess::Spawn({"/bin/sh", "-c", "trap '' TERM; while :; do sleep 0.05; done"}, options);
    ASSERT_TRUE(stubborn.Started());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(TerminateProcessGently(stubborn.Pid(), 300), 0);
    EXPECT_EQ(stubborn.Wait(3000), 128 + SIGKILL);
    EXPECT_NE(TerminateProcessGently(stubborn.Pid(), 10), 0) << "a reaped process is gone";
}

// An office shared by another run is that run's child: once it has died it
// stays a zombie until that run reaps it, and must count as gone meanwhile.
TEST_F(OfficeProcessesTest, AGroupWhoseLastProcessIsAZombieHasEnded) {
    ChildProcess office = StartFakeOffice();
    EXPECT_TRUE(ProcessGroupLives(office.Pid()));
    ::kill(office.Pid(), SIGKILL);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // dead, not reaped
    EXPECT_EQ(::kill(office.Pid(), 0), 0) << "still there as a zombie";
    EXPECT_FALSE(ProcessGroupLives(office.Pid()));
    office.Wait(1000);
    EXPECT_FALSE(ProcessGroupLives(office.Pid()));
}

TEST(PowerPlugsWatcherTest, ReportsTheAddInsShowWindowToTheContainer) {
    kvtest::MessageLog container;
    kvtest::MessageLog showWindow("ScreenClass");
    unsigned result = 0;
    std::thread watcher([&] { result = WaitForPowerPlugsShow(container.Window(), 0); });
    EXPECT_TRUE(container.WaitFor(UWM_CONTINUESLIDESHOW, 3000));
    watcher.join();
    EXPECT_EQ(result, 1u);
}

}  // namespace
}  // namespace kv
