// The batch mode's check of a finished video, on real files made by ffmpeg.
#include <gtest/gtest.h>

#include <fstream>

#include "app/batch/OutputCheck.h"
#include "platform/process/ChildProcess.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

bool MakeVideo(const fs::path& path, const std::vector<std::string>& codec) {
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                     "testsrc=size=160x120:rate=5:duration=2"};
    argv.insert(argv.end(), codec.begin(), codec.end());
    argv.push_back(path.string());
    kv::ChildProcess ffmpeg = kv::ChildProcess::Spawn(argv, {});
    return ffmpeg.Started() && ffmpeg.Wait(60000).value_or(-1) == 0;
}

TEST(OutputCheck, ContainersWithAndWithoutADurationCountWhenTheirFramesDecode) {
    kvtest::TempDir dir("kalvista-output-check");
    // SWF keeps no duration: its length comes from the decoded frames.
    const fs::path swf = dir / "talk.swf";
    ASSERT_TRUE(MakeVideo(swf, {"-f", "swf"}));
    kv::OutputCheck check = kv::CheckOutputFile(swf.string());
    EXPECT_TRUE(check.complete) << check.problem;
    EXPECT_NEAR(check.seconds, 2.0, 0.25);

    const fs::path mp4 = dir / "talk.mp4";
    ASSERT_TRUE(MakeVideo(mp4, {"-c:v", "libx264", "-pix_fmt", "yuv420p"}));
    check = kv::CheckOutputFile(mp4.string());
    EXPECT_TRUE(check.complete) << check.problem;
    EXPECT_NEAR(check.seconds, 2.0, 0.25);
}

TEST(OutputCheck, MissingEmptyAndBrokenFilesAreNotComplete) {
    kvtest::TempDir dir("kalvista-output-check");
    EXPECT_FALSE(kv::CheckOutputFile((dir / "none.mp4").string()).complete);
    std::ofstream(dir / "empty.mp4").close();
    EXPECT_FALSE(kv::CheckOutputFile((dir / "empty.mp4").string()).complete);

    // An SWF cut off after its header decodes no frame and has no length.
    const fs::path swf = dir / "talk.swf";
    ASSERT_TRUE(MakeVideo(swf, {"-f", "swf"}));
    fs::resize_file(swf, 40);
    const kv::OutputCheck check = kv::CheckOutputFile(swf.string());
    EXPECT_FALSE(check.complete);
    EXPECT_FALSE(check.problem.empty());
}

}  // namespace
