// Several threads and processes use the settings file at once; none may lose
// another's value, and a writer killed at any moment leaves a whole file.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <thread>

#include "HelperProcess.h"
#include "app/core/RegFile.h"
#include "app/core/RegSettings.h"
#include "support/TempDir.h"

using namespace kv;
namespace fs = std::filesystem;

namespace {

// Memory-backed when the machine has it: every write waits for its flush to
// disk, and 2000 flushes on a busy disk take minutes without testing more.
fs::path FastFolder() {
    std::error_code error;
    return fs::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") : fs::path();
}

}  // namespace

TEST(RegSettingsConcurrency, TwoProcessesAndTwoThreadsLoseNoValue) {
    constexpr int kEach = 500;
    kvtest::TempDir logs("kalvista-settings", FastFolder());
    setenv("KALVISTA_REGISTRY", (logs / "Kalvista.reg").c_str(), 1);
    auto first = kvtest::StartHelper({"write-settings", "ProcessA", std::to_string(kEach)}, logs / "a.txt");
    auto second = kvtest::StartHelper({"write-settings", "ProcessB", std::to_string(kEach)}, logs / "b.txt");
    ASSERT_TRUE(first.Started() && second.Started());
    std::atomic<int> failed{0};
    auto writeMany = [&](const std::string& prefix) {
        CRegSettings store;
        for (int i = 0; i < kEach; ++i)
            if (!store.SetDWORD("AVSettings", prefix + std::to_string(i), static_cast<std::uint32_t>(i))) ++failed;
    };
    std::thread threadA(writeMany, "ThreadA"), threadB(writeMany, "ThreadB");
    threadA.join();
    threadB.join();
    EXPECT_EQ(first.Wait(120000), 0);
    EXPECT_EQ(second.Wait(120000), 0);
    EXPECT_EQ(failed, 0);

    // Every value is in the file (one read of it), and the store reads them.
    std::ifstream in(logs / "Kalvista.reg", std::ios::binary);
    auto document = regfile::Parse(std::string((std::istreambuf_iterator<char>(in)), {}));
    EXPECT_EQ(document.unreadable, 0);
    regfile::Section* section = document.FindSection("AVSettings");
    ASSERT_NE(section, nullptr);
    CRegSettings store;
    int missing = 0;
    for (const char* prefix : {"ProcessA", "ProcessB", "ThreadA", "ThreadB"}) {
        for (int i = 0; i < kEach; ++i) {
            const std::string name = prefix + std::to_string(i);
            const regfile::Value* value = regfile::FindValue(*section, name);
            if (!value || value->number != static_cast<std::uint32_t>(i)) ++missing;
            if (i % 50 == 0) {
                EXPECT_EQ(store.GetDWORD("AVSettings", name, 0xFFFFFFFF), static_cast<std::uint32_t>(i));
            }
        }
    }
    EXPECT_EQ(missing, 0);
    unsetenv("KALVISTA_REGISTRY");
}

TEST(RegSettingsConcurrency, AWriterKilledAtAnyMomentLeavesAWholeFile) {
    kvtest::ScopedRegistry registry;
    kvtest::TempDir logs;
    CRegSettings store;
    ASSERT_EQ(store.SetString("AVSettings", "OutputFormat", "MOV"), 1);
    std::mt19937 random(4711);
    std::uint32_t lastCounter = 0;
    for (int round = 0; round < 12; ++round) {
        const auto log = logs / ("writer" + std::to_string(round) + ".txt");
        auto writer = kvtest::StartHelper({"write-forever", log.string()}, logs / "out.txt");
        ASSERT_TRUE(kvtest::WaitForLine(log, "ready", 10000));
        std::this_thread::sleep_for(std::chrono::milliseconds(5 + random() % 60));
        ::kill(writer.Pid(), SIGKILL);
        writer.Wait(5000);

        std::ifstream in(registry.file(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        const auto document = regfile::Parse(text);
        EXPECT_EQ(document.unreadable, 0) << "round " << round;
        EXPECT_EQ(store.GetString("AVSettings", "OutputFormat", ""), "MOV");
        const std::uint32_t counter = store.GetDWORD("AVSettings", "Counter", 0);
        EXPECT_GE(counter, lastCounter);
        lastCounter = counter;
    }
    EXPECT_GT(lastCounter, 0u);
    for (const auto& entry : fs::directory_iterator(registry.file().parent_path()))
        EXPECT_EQ(entry.path().filename().string().find("corrupt"), std::string::npos);
}
