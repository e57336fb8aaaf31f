// A second start of the program against a first copy in another process:
// one that answers, one that hangs, one that shows only the wizard, one that
// never listens, and one that was killed.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>

#include "HelperProcess.h"
#include "app/core/AppMessages.h"
#include "app/core/Startup.h"
#include "platform/core/InstanceProbe.h"
#include "support/TempDir.h"

using namespace kv;
using Clock = std::chrono::steady_clock;

namespace {

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// A private runtime folder and mutex name, so tests never meet a real copy.
class SingleInstanceTest : public ::testing::Test {
protected:
    SingleInstanceTest() {
        if (const char* previous = std::getenv("XDG_RUNTIME_DIR")) m_previous = previous;
        setenv("XDG_RUNTIME_DIR", m_runtime.path().c_str(), 1);
    }
    ~SingleInstanceTest() override {
        if (m_previous.empty()) unsetenv("XDG_RUNTIME_DIR");
        else setenv("XDG_RUNTIME_DIR", m_previous.c_str(), 1);
    }

    // Starts the helper as the first copy and waits until it is ready.
    ChildProcess StartFirst(const std::string& window) {
        auto first = kvtest::StartHelper({"first-instance", m_name, window, m_log.string()}, m_runtime / "out.txt");
        EXPECT_TRUE(kvtest::WaitForLine(m_log, "ready", 10000));
        return first;
    }
    bool Logged(const std::string& line) { return kvtest::WaitForLine(m_log, line, 2000); }

    kvtest::TempDir m_runtime{"kv-rt"};
    const std::string m_name = "KalvistaTest-" + std::to_string(getpid());
    const std::filesystem::path m_log = m_runtime / "first.log";
    std::string m_previous;
};

}  // namespace

TEST_F(SingleInstanceTest, TheFirstCopyBringsItsContainerForward) {
    auto first = StartFirst("container");
    const auto start = Clock::now();
    EXPECT_EQ(StartSingleInstance(m_name), nullptr);
    EXPECT_LT(MillisecondsSince(start), 200);
    EXPECT_TRUE(Logged("message " + std::to_string(UWM_ONE_INSTANCE)));
    EXPECT_TRUE(Logged("foreground"));
    EXPECT_TRUE(Logged("restored"));  // it was minimised

    EXPECT_EQ(ProbeInstance(m_name, UWM_ONE_INSTANCE, 1000), static_cast<LRESULT>(UWM_ONE_INSTANCE));
    // Only the one question is answered; no other message reaches its windows.
    EXPECT_EQ(ProbeInstance(m_name, UWM_SHOWTASKBAR, 1000), 0);
    EXPECT_FALSE(kvtest::WaitForLine(m_log, "message " + std::to_string(UWM_SHOWTASKBAR), 300));
}

TEST_F(SingleInstanceTest, AHungFirstCopyIsGivenUpWithinTheLimit) {
    auto first = StartFirst("hung");  // answers, but only after 5 s
    const auto start = Clock::now();
    EXPECT_EQ(StartSingleInstance(m_name), nullptr);
    const auto elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, kInstanceProbeTimeoutMs - 10);
    EXPECT_LE(elapsed, kInstanceProbeTimeoutMs + 150);  // the limit, plus a busy machine's slack
    EXPECT_TRUE(Logged("message " + std::to_string(UWM_ONE_INSTANCE)));
    EXPECT_FALSE(kvtest::WaitForLine(m_log, "foreground", 300));
}

TEST_F(SingleInstanceTest, AFirstCopyShowingOnlyTheWizardIsLeftAlone) {
    auto first = StartFirst("wizard");
    EXPECT_EQ(StartSingleInstance(m_name), nullptr);
    EXPECT_EQ(ProbeInstance(m_name, UWM_ONE_INSTANCE, 1000), 0);
    EXPECT_FALSE(kvtest::WaitForLine(m_log, "foreground", 300));
}

TEST_F(SingleInstanceTest, AFirstCopyThatNeverListensStillMakesTheSecondEnd) {
    auto first = kvtest::StartHelper({"lock-only", m_name, m_log.string()});
    ASSERT_TRUE(kvtest::WaitForLine(m_log, "ready", 10000));
    const auto start = Clock::now();
    EXPECT_EQ(StartSingleInstance(m_name), nullptr);
    EXPECT_LT(MillisecondsSince(start), 100);
}

TEST_F(SingleInstanceTest, AKilledFirstCopyLeavesNoStaleLock) {
    {
        auto first = StartFirst("container");
        ASSERT_EQ(::kill(first.Pid(), SIGKILL), 0);
        first.Wait(5000);
    }
    auto instance = StartSingleInstance(m_name);
    ASSERT_NE(instance, nullptr);
    EXPECT_TRUE(instance->Answering());  // the dead copy's socket file was replaced
    // This process has no container window, so it answers "no window".
    EXPECT_EQ(ProbeInstance(m_name, UWM_ONE_INSTANCE, 1000), 0);
    // While it runs, the helper is a second copy.
    auto helper = kvtest::StartHelper({"first-instance", m_name, "container", m_log.string()});
    EXPECT_EQ(helper.Wait(10000), 3);
    EXPECT_TRUE(Logged("second"));
}

TEST_F(SingleInstanceTest, NobodyListeningMeansNoAnswer) {
    const auto start = Clock::now();
    EXPECT_FALSE(ProbeInstance(m_name, UWM_ONE_INSTANCE, 200).has_value());
    EXPECT_LT(MillisecondsSince(start), 100);
}
