// When each slide of a rendered video shows, the cross-fade's pictures, and
// the converter keeping still pictures as single frames.
#include <gtest/gtest.h>

#include "conversion/ConvertAVIToX.h"
#include "conversion/OutputFormats.h"
#include "rendering/SlideTimeline.h"

namespace {

using kv::SlideFacts;

SlideFacts Facts(int number, bool hidden, double ownSeconds, double transitionSeconds) {
    SlideFacts facts;
    facts.number = number;
    facts.hidden = hidden;
    facts.ownSeconds = ownSeconds;
    facts.transitionSeconds = transitionSeconds;
    return facts;
}

std::vector<SlideFacts> Deck() {
    // 1: no timing; 2: 3 s, fades in over 1 s; 3: hidden; 4: 0.5 s, a 2 s fade.
    return {Facts(1, false, -1, 0), Facts(2, false, 3, 1), Facts(3, true, 4, 0), Facts(4, false, 0.5, 2)};
}

TEST(SlideTimeline, AutomaticAdvanceSkipsHiddenSlidesAndKeepsTransitions) {
    const auto timeline = kv::PlanSlideTimeline(Deck(), 2, 5);
    ASSERT_TRUE(timeline.refusal.empty());
    ASSERT_EQ(timeline.slides.size(), 3u);
    const int numbers[] = {1, 2, 4};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(timeline.slides[i].number, numbers[i]);
        EXPECT_DOUBLE_EQ(timeline.slides[i].start, 5.0 * i);
        EXPECT_DOUBLE_EQ(timeline.slides[i].duration, 5);
    }
    EXPECT_DOUBLE_EQ(timeline.slides[0].transitionSeconds, 0);
    EXPECT_DOUBLE_EQ(timeline.slides[1].transitionSeconds, 1);
    EXPECT_DOUBLE_EQ(timeline.slides[2].transitionSeconds, 2);
    EXPECT_DOUBLE_EQ(timeline.seconds, 15);
}

TEST(SlideTimeline, OwnTimingsWithTheSecondsWhereASlideHasNone) {
    const auto timeline = kv::PlanSlideTimeline(Deck(), 1, 2);
    ASSERT_EQ(timeline.slides.size(), 3u);
    EXPECT_DOUBLE_EQ(timeline.slides[0].duration, 2);
    EXPECT_DOUBLE_EQ(timeline.slides[1].start, 2);
    EXPECT_DOUBLE_EQ(timeline.slides[1].duration, 3);
    EXPECT_DOUBLE_EQ(timeline.slides[2].start, 5);
    EXPECT_DOUBLE_EQ(timeline.slides[2].duration, 0.5);
    EXPECT_DOUBLE_EQ(timeline.slides[2].transitionSeconds, 0.5);  // never longer than its slide
    EXPECT_DOUBLE_EQ(timeline.seconds, 5.5);
}

TEST(SlideTimeline, PresenterModeAndAllHiddenAreRefused) {
    const auto presenter = kv::PlanSlideTimeline(Deck(), 3, 5);
    EXPECT_EQ(presenter.refusal, kv::kPresenterModeRefusal);
    EXPECT_TRUE(presenter.slides.empty());
    EXPECT_FALSE(kv::PlanSlideTimeline({Facts(1, true, -1, 0)}, 2, 5).refusal.empty());
}

TEST(StillPictures, FramesKeepTheirTimesWhereTheFormatStoresThem) {
    const auto mp4 = kv::BuildConverterCommand("/in dir/a.avi", "/out dir/a.mp4", kv::FORMAT_MP4, 25, 44100, 128, false, 80,
                                               {}, true);
    ASSERT_GE(mp4.argv.size(), 4u);
    EXPECT_EQ(mp4.argv.back(), "/out dir/a.mp4");
    EXPECT_EQ(mp4.argv[mp4.argv.size() - 3], "-fps_mode");
    EXPECT_EQ(mp4.argv[mp4.argv.size() - 2], "vfr");
    EXPECT_NE(mp4.text.find("-fps_mode vfr \"/out dir/a.mp4\""), std::string::npos) << mp4.text;
    EXPECT_EQ(mp4.text.find("fps="), std::string::npos) << mp4.text;  // no picture at every position

    // Formats without frame times get a picture at every position instead.
    for (int format : {kv::FORMAT_MPEG1, kv::FORMAT_MPEG2, kv::FORMAT_SWF}) {
        const auto plain = kv::BuildConverterCommand("a.avi", "a.out", format, 25, 44100, 128, false, 80, {}, true);
        EXPECT_EQ(plain.text.find("-fps_mode"), std::string::npos) << format;
        EXPECT_NE(plain.text.find("-vf fps=25.00 "), std::string::npos) << format;
    }
}

}  // namespace
