// The conversion's progress: ffmpeg's report read as it grows, the text the
// dialog and the batch line show, and a real conversion reporting as it runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "conversion/ConversionProgress.h"
#include "conversion/ConvertAVIToX.h"
#include "conversion/OutputFormats.h"
#include "conversion/TestAvi.h"
#include "recording/state/ShownSlides.h"
#include "support/TempDir.h"

namespace kv {
namespace {

TEST(ConversionProgress, ReportBlocksGiveThePercentAndTheTimeLeft) {
    StartConversionProgress();
    EXPECT_EQ(ConversionProgressText(GetConversionProgress()), "") << "nothing before ffmpeg reports";
    ProgressReport report(40.0);
    // Before the first frame ffmpeg has no position yet.
    report.Feed("frame=0\nout_time_us=N/A\nprogress=continue\n", 0.5);
    EXPECT_EQ(ConversionProgressText(GetConversionProgress()), "0 %");
    // A block split across two reads counts once it is complete.
    report.Feed("frame=250\nout_time_us=10000", 2.0);
    EXPECT_EQ(GetConversionProgress().percent, 0);
    report.Feed("000\nout_time=00:00:10.000000\nprogress=continue\n", 2.0);
    EXPECT_EQ(ConversionProgressText(GetConversionProgress()), "25 % \xE2\x80\x94 about 0:06 left");
    report.Feed("out_time_us=39990000\nprogress=continue\n", 80.0);
    EXPECT_EQ(GetConversionProgress().percent, 99) << "100 % only when ffmpeg ends";
    EXPECT_EQ(ConversionProgressText(GetConversionProgress()), "99 % \xE2\x80\x94 about 0:00 left");
    // A position going back (a second pass) never lowers what was shown.
    report.Feed("out_time_us=1000000\nprogress=continue\n", 81.0);
    EXPECT_EQ(GetConversionProgress().percent, 99);
    // ffmpeg's own end (written after an error too) is not yet success.
    report.Feed("out_time_us=40000000\nprogress=end\n", 82.0);
    EndConversionProgress();
    const ConversionProgress last = GetConversionProgress();
    EXPECT_FALSE(last.running);
    EXPECT_EQ(last.percent, 99);

    StartConversionProgress();
    ProgressReport unknownLength(0);
    unknownLength.Feed("out_time_us=5000000\nprogress=continue\n", 1.0);
    EXPECT_FALSE(GetConversionProgress().known) << "no share of an unknown length";
    PublishConversionProgress(7, 754);
    EXPECT_EQ(ConversionProgressText(GetConversionProgress()), "7 % \xE2\x80\x94 about 12:34 left");
    EndConversionProgress();
}

TEST(ConversionProgress, ARealConversionReportsRisingPercentEndingAtOneHundred) {
    kvtest::TempDir folder;
    const auto input = folder.path() / "talk.avi";
    std::string why;
    ASSERT_TRUE(kvtest::MakeTestAvi(input, 25, 44100, 24, &why, "640x360")) << why;
    ClearShownSlides();

    std::atomic<bool> done{false};
    bool converted = false;
    std::string failure;
    std::thread worker([&] {
        converted = ConvertAVIToX(input.string(), (folder.path() / "talk.mp4").string(), FORMAT_MP4, 25, 44100,
                                  128, &failure);
        done = true;
    });
    std::vector<ConversionProgress> seen;
    while (!done) {
        const ConversionProgress now = GetConversionProgress();
        if (now.running && now.known && (seen.empty() || seen.back().percent != now.percent)) seen.push_back(now);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    worker.join();
    ASSERT_TRUE(converted) << failure;
    const ConversionProgress last = GetConversionProgress();
    EXPECT_FALSE(last.running);
    EXPECT_EQ(last.percent, 100);
    EXPECT_EQ(last.secondsLeft, 0);

    ASSERT_GE(seen.size(), 2u) << "ffmpeg reported while it ran";
    for (size_t i = 1; i < seen.size(); ++i) EXPECT_GT(seen[i].percent, seen[i - 1].percent);
    EXPECT_LT(seen.front().percent, 100);
    const bool estimated = std::any_of(seen.begin(), seen.end(), [](const auto& p) { return p.secondsLeft >= 0; });
    EXPECT_TRUE(estimated) << "a time left was estimated on the way";
}

}  // namespace
}  // namespace kv
