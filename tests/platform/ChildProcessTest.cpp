#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <fstream>
#include <thread>

#include "platform/process/ChildProcess.h"
#include "platform/process/ChildrenOnSignal.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"

using kv::ChildProcess;

TEST(ChildProcess, ArgumentsPassUnchangedAndStatusIsReported) {
    kvtest::TempDir dir;
    const auto out = dir / "out.txt";
    const std::string awkward = "a b \"c\" $HOME \\ ü;|&";
    kv::SpawnOptions options;
    options.outputFile = out;
    auto child = ChildProcess::Spawn({"printf", "%s", awkward}, options);
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.Wait(5000), 0);
    std::ifstream in(out);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, awkward);

    auto failing = ChildProcess::Spawn({"sh", "-c", "exit 3"}, {});
    EXPECT_EQ(failing.Wait(5000), 3);
}

TEST(ChildProcess, MissingProgramAndTermination) {
    int error = 0;
    auto missing = ChildProcess::Spawn({"kalvista-no-such-program"}, {}, &error);
    EXPECT_FALSE(missing.Started());
    EXPECT_EQ(error, ENOENT);

    kv::SpawnOptions group;
    group.newProcessGroup = true;
    auto sleeper = ChildProcess::Spawn({"sleep", "30"}, group);
    ASSERT_TRUE(sleeper.Started());
    EXPECT_FALSE(sleeper.Wait(50).has_value());
    sleeper.Terminate(1000);
    EXPECT_FALSE(sleeper.Running());
}

namespace {

// The run below: remembers a sleeper in a group of its own (as the office is),
// tells whether a write to a closed pipe failed instead of ending it, and waits.
[[noreturn]] void RunThatIsEndedBySignal(int reportFd) {
    kv::EndChildrenOnSignal();
    kv::SpawnOptions group;
    group.newProcessGroup = true;
    auto sleeper = ChildProcess::Spawn({"sleep", "30"}, group);
    int closed[2];
    if (::pipe(closed) != 0) ::_exit(2);
    ::close(closed[0]);
    const bool survivedClosedPipe = ::write(closed[1], "x", 1) < 0 && errno == EPIPE;
    const pid_t facts[2] = {sleeper.Pid(), survivedClosedPipe ? 1 : 0};
    if (::write(reportFd, facts, sizeof facts) != sizeof facts) ::_exit(2);
    for (;;) ::pause();
}

// The status of `pid` once it has ended, or nullopt after `timeoutMs`.
std::optional<int> EndStatus(pid_t pid, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        if (::waitpid(pid, &status, WNOHANG) == pid) return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}

}  // namespace

TEST(ChildrenOnSignal, AKilledRunEndsItsGroupsAndAClosedPipeEndsNoRun) {
    // The orphaned sleeper comes back to this test, which can then see how it ended.
    ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t run = ::fork();
    ASSERT_GE(run, 0);
    if (run == 0) {
        ::close(report[0]);
        RunThatIsEndedBySignal(report[1]);
    }
    ::close(report[1]);
    pid_t facts[2] = {0, 0};
    ASSERT_EQ(::read(report[0], facts, sizeof facts), static_cast<ssize_t>(sizeof facts));
    ::close(report[0]);
    EXPECT_EQ(facts[1], 1) << "a write to a closed pipe ended the run";

    ::kill(run, SIGTERM);
    const auto runStatus = EndStatus(run, 5000);
    ASSERT_TRUE(runStatus.has_value());
    EXPECT_TRUE(WIFSIGNALED(*runStatus) && WTERMSIG(*runStatus) == SIGTERM) << "the run must end as asked";

    const auto sleeperStatus = EndStatus(facts[0], 5000);
    if (!sleeperStatus) {
        ::kill(-facts[0], SIGKILL);
        EndStatus(facts[0], 5000);
    }
    ASSERT_TRUE(sleeperStatus.has_value()) << "the child's group outlived the run";
    EXPECT_TRUE(WIFSIGNALED(*sleeperStatus) && WTERMSIG(*sleeperStatus) == SIGTERM);
    ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}

TEST(Xvfb, StartsOnAFreeDisplay) {
    kvtest::XvfbServer a;
    kvtest::XvfbServer b;
    EXPECT_NE(a.display(), b.display());
    auto probe = ChildProcess::Spawn({"xdpyinfo", "-display", b.display()}, {});
    EXPECT_EQ(probe.Wait(10000), 0);
}
