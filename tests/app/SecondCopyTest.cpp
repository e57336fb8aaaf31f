// `kalvista FILE` while a copy runs: the file cannot be opened, and the user
// hears so on the terminal and in a message box; a plain second start still
// ends without a word.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/core/Startup.h"
#include "platform/process/ChildProcess.h"
#include "support/RunMarker.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"

namespace {

namespace fs = std::filesystem;

// Runs a short tool and gives back what it printed; empty when it failed.
std::string Output(const std::vector<std::string>& argv, const fs::path& scratch, int timeoutMs = 10000) {
    kv::SpawnOptions options;
    options.outputFile = scratch / "tool.out";
    kv::ChildProcess tool = kv::ChildProcess::Spawn(argv, options);
    if (!tool.Started() || tool.Wait(timeoutMs).value_or(-1) != 0) return {};
    return kvtest::ReadTextFile(scratch / "tool.out");
}

class SecondCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* binaryDir = std::getenv("KALVISTA_BINARY_DIR");
        ASSERT_NE(binaryDir, nullptr) << "run through ctest (KALVISTA_BINARY_DIR names the build)";
        kalvista = fs::path(binaryDir) / "src/app/kalvista";
        ::chmod(runtime.path().c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
        first = kv::StartSingleInstance();  // this test is the running copy
        ASSERT_TRUE(first);
    }
    void TearDown() override { unsetenv("XDG_RUNTIME_DIR"); }

    kv::ChildProcess Second(const std::vector<std::string>& arguments, const std::string& log) {
        kv::SpawnOptions options;
        options.outputFile = scratch / log;
        options.environment = {"XDG_RUNTIME_DIR=" + runtime.path().string(),
                               "KALVISTA_REGISTRY=" + (scratch / "settings.reg").string()};
        std::vector<std::string> argv{kalvista.string()};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return kv::ChildProcess::Spawn(argv, options);
    }

    kvtest::XvfbServer xvfb;
    kvtest::TempDir runtime{"kv-second-rt"};
    kvtest::TempDir scratch{"kv-second"};
    fs::path kalvista;
    std::unique_ptr<kv::FirstInstance> first;
};

TEST_F(SecondCopyTest, APresentationGivenToASecondCopyIsNotDroppedWithoutAWord) {
    const fs::path talk = scratch / "Talk.pptx";
    std::ofstream(talk) << "slides";
    kv::ChildProcess second = Second({talk.string()}, "second.log");
    ASSERT_TRUE(second.Started());

    // The message box, on the screen of the display.
    const std::string box = Output({"xdotool", "search", "--sync", "--onlyvisible", "--name", "^Kalvista$"},
                                   scratch.path());
    ASSERT_FALSE(box.empty()) << "no message box appeared\n" << kvtest::ReadTextFile(scratch / "second.log");
    const std::string expected = "kalvista: Kalvista is already running, so \"" + talk.string() +
                                 "\" was not opened. Open it again when the other copy has finished.\n";
    EXPECT_EQ(kvtest::ReadTextFile(scratch / "second.log"), expected);
    Output({"xdotool", "windowfocus", "--sync", box.substr(0, box.find('\n')), "key", "Return"}, scratch.path());
    const auto status = second.Wait(10000);
    if (!status) second.Terminate(1000);
    EXPECT_EQ(status, 1) << "OK closes the box, and the run says it did not open the file";

    // Without a presentation a second start ends at once and silently, as before.
    kv::ChildProcess plain = Second({}, "plain.log");
    ASSERT_TRUE(plain.Started());
    EXPECT_EQ(plain.Wait(10000), 0);
    EXPECT_EQ(kvtest::ReadTextFile(scratch / "plain.log"), "");
}

}  // namespace
