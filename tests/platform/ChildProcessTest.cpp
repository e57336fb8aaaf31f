#include <gtest/gtest.h>

#include <fstream>

#include "platform/process/ChildProcess.h"
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

TEST(Xvfb, StartsOnAFreeDisplay) {
    kvtest::XvfbServer a;
    kvtest::XvfbServer b;
    EXPECT_NE(a.display(), b.display());
    auto probe = ChildProcess::Spawn({"xdpyinfo", "-display", b.display()}, {});
    EXPECT_EQ(probe.Wait(10000), 0);
}
