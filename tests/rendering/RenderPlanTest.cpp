// What a rendered video records from the show and where the presentation's
// sounds go: the stretches in which something moves, the clicks the show's
// clock gives, and each sound at the moment the show plays it.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "rendering/RenderPlan.h"
#include "rendering/SoundTrack.h"
#include "support/ShellOutput.h"
#include "support/TempDir.h"

namespace {

using kv::SlideFacts;

SlideFacts Slide(int number, double transition = 0) {
    SlideFacts facts;
    facts.number = number;
    facts.transitionSeconds = transition;
    return facts;
}

// 1 still; 2 pushed in over 0.5 s, an entrance of 1 s by itself; 3 hidden
// with effects; 4 two clicks of 0.5 s and 1 s; 5 a film of 3 s; 6 an animated
// picture; 7 a click that only starts a sound; 8 a 30 s film on a 10 s slide.
std::vector<SlideFacts> Deck() {
    std::vector<SlideFacts> deck = {Slide(1), Slide(2, 0.5), Slide(3), Slide(4), Slide(5), Slide(6), Slide(7), Slide(8)};
    deck[1].motion.automatic = 1;
    deck[2].hidden = true;
    deck[2].motion.automatic = 2;
    deck[3].motion.clicks = {0.5, 1};
    deck[4].motion.media = {"film.mp4"};
    deck[5].motion.endless = true;
    deck[6].motion.clicks = {0};
    deck[7].motion.media = {"long.mp4", "voice.wav"};
    return deck;
}

double Film(const std::string& file) { return file == "film.mp4" ? 3 : file == "long.mp4" ? 30 : 0; }

TEST(RenderPlan, OnlyWhatMovesIsRecordedForItsOwnLength) {
    const kv::RenderPlan plan = kv::PlanRender(Deck(), 2, 10, Film);
    ASSERT_TRUE(plan.timeline.refusal.empty());
    ASSERT_EQ(plan.timeline.slides.size(), 7u);
    ASSERT_EQ(plan.stretches.size(), 5u) << "the still slide, the hidden one and the sound's click move nothing";
    const int slides[] = {2, 4, 5, 6, 8};
    // Each runs a little past its motion's end, so the picture held is the one it settled on.
    const double seconds[] = {0.5 + 1 + 0.2, 2.5 + 1 + 0.2, 3 + 0.2, 10, 10};
    for (size_t i = 0; i < plan.stretches.size(); ++i) {
        EXPECT_EQ(plan.stretches[i].ask.page, slides[i]);
        EXPECT_NEAR(plan.stretches[i].ask.seconds, seconds[i], 1e-9) << "slide " << slides[i];
        EXPECT_EQ(plan.timeline.slides[plan.stretches[i].slide].number, slides[i]);
    }
    // The push starts from slide 1 as it stands; the others start on their own page.
    EXPECT_EQ(plan.stretches[0].ask.pageBefore, 1);
    EXPECT_DOUBLE_EQ(plan.stretches[0].ask.effectsFrom, 0.5);
    for (size_t i = 1; i < plan.stretches.size(); ++i) EXPECT_EQ(plan.stretches[i].ask.pageBefore, 0);
    // Two clicks in the first half of a 10 s slide.
    EXPECT_EQ(plan.stretches[1].ask.clicks, (std::vector<double>{0, 2.5}));
}

TEST(RenderPlan, TheShowsClockClicks) {
    EXPECT_EQ(kv::ShowClockClicks(1, 9, 4), (std::vector<double>{1, 2, 3, 4}));
    EXPECT_TRUE(kv::ShowClockClicks(5, 5, 2).empty()) << "no time left after the transition";
    // A transition into a slide that has motion waits for the page before to settle.
    auto deck = Deck();
    deck[0].motion.clicks = {1};
    const kv::RenderPlan plan = kv::PlanRender(deck, 2, 4, Film);
    ASSERT_EQ(plan.stretches[0].ask.page, 1);
    EXPECT_EQ(plan.stretches[1].ask.pageBefore, 1);
    EXPECT_EQ(plan.stretches[1].ask.beforeClicks, std::vector<double>{0});
    EXPECT_DOUBLE_EQ(plan.stretches[1].ask.beforeSeconds, 1.2);
}

TEST(SoundTrack, EachSoundWhereTheShowPlaysItAndCutAtItsSlidesEnd) {
    const kv::RenderPlan plan = kv::PlanRender(Deck(), 2, 10, Film);
    using Start = kv::PackageSound::Start;
    std::vector<std::vector<kv::PackageSound>> perPage(8);
    perPage[1] = {{"whoosh.wav", Start::Transition, 0, 0, false}, {"voice.m4a", Start::Effects, 0, 0.25, false}};
    perPage[2] = {{"hidden.wav", Start::Effects, 0, 0, false}};
    perPage[3] = {{"second.wav", Start::Click, 1, 0, true}, {"third.wav", Start::Click, 2, 0, false}};
    const auto placed = kv::PlaceSounds(plan.timeline, Deck(), perPage);
    ASSERT_EQ(placed.size(), 3u) << "a hidden slide's sound and a click the slide never gets are left out";
    EXPECT_EQ(placed[0].part, "whoosh.wav");
    // Each sounds as the office's player does, a tenth of a second after it
    // is asked, a transition's sound (loaded only then) 0.3 s.
    EXPECT_DOUBLE_EQ(placed[0].at, 10 + 0.3);
    EXPECT_DOUBLE_EQ(placed[1].at, 10 + 0.5 + 0.25 + 0.1) << "after the transition, with its own delay";
    EXPECT_DOUBLE_EQ(placed[1].until, 20);
    EXPECT_EQ(placed[2].part, "second.wav");
    EXPECT_DOUBLE_EQ(placed[2].at, 20 + 2.5 + 0.1);
    EXPECT_TRUE(placed[2].loop);
}

// A package with two sounds, mixed: a short tone once, a looping one to its slide's end.
TEST(SoundTrack, MixesDecodedSoundsAtTheirTimes) {
    kvtest::TempDir dir("kalvista-mix");
    for (const auto& [name, hz] : {std::pair{"a.wav", 1000}, std::pair{"b.mp3", 500}})
        kvtest::ShellOutput("ffmpeg -v error -f lavfi -i sine=frequency=" + std::to_string(hz) +
                            ":sample_rate=44100 -t 0.5 '" + (dir / name).string() + "'");
    kvtest::ShellOutput("cd '" + dir.path().string() + "' && mkdir -p ppt/media && mv a.wav b.mp3 ppt/media/ && "
                        "python3 -c \"import zipfile; z = zipfile.ZipFile('deck.pptx', 'w'); "
                        "[z.write('ppt/media/' + n, 'ppt/media/' + n) for n in ('a.wav', 'b.mp3')]\"");
    const std::vector<kv::PlacedSound> sounds = {{"ppt/media/a.wav", 1.0, 4.0, false},
                                                 {"ppt/media/b.mp3", 2.0, 3.75, true}};
    std::string why;
    const auto wav = dir / "mix.wav";
    ASSERT_TRUE(kv::MixSoundTrack(dir / "deck.pptx", sounds, 5.0, dir.path(), wav, &why)) << why;
    const std::string stats = kvtest::ShellOutput("ffprobe -v error -show_entries stream=sample_rate,channels:format=duration "
                                                  "-of default=nw=1 '" + wav.string() + "'");
    EXPECT_NE(stats.find("sample_rate=48000"), std::string::npos) << stats;
    EXPECT_NE(stats.find("channels=2"), std::string::npos) << stats;
    EXPECT_NE(stats.find("duration=5.0"), std::string::npos) << stats;
    // Loud from 1 s to 1.5 s, then from 2 s to 3.75 s (the loop cut at its slide's end), quiet between.
    std::istringstream quiet(kvtest::ShellOutput("ffmpeg -v info -i '" + wav.string() +
                                                 "' -af silencedetect=n=-30dB:d=0.2 -f null - 2>&1 | grep -o "
                                                 "'silence_\\(start\\|end\\): [0-9.]*' | cut -d' ' -f2"));
    std::vector<double> edges;
    for (double at; quiet >> at;) edges.push_back(at);
    const std::vector<double> expected = {0, 1, 1.5, 2, 3.75, 5};
    ASSERT_EQ(edges.size(), expected.size());
    for (size_t i = 0; i < edges.size(); ++i) EXPECT_NEAR(edges[i], expected[i], 0.005) << i;

    // A film without a sound track adds nothing; a part that is not there fails with its name.
    kvtest::ShellOutput("cd '" + dir.path().string() + "' && ffmpeg -v error -f lavfi -i testsrc2=size=64x48 -t 1 "
                        "ppt/media/silent.mp4 && python3 -c \"import zipfile; "
                        "zipfile.ZipFile('deck.pptx', 'a').write('ppt/media/silent.mp4', 'ppt/media/silent.mp4')\"");
    bool audible = true;
    EXPECT_TRUE(kv::MixSoundTrack(dir / "deck.pptx", {{"ppt/media/silent.mp4", 0, 1, false}}, 2, dir.path(), wav, &why,
                                  &audible))
        << why;
    EXPECT_FALSE(audible);
    EXPECT_FALSE(kv::MixSoundTrack(dir / "deck.pptx", {{"ppt/media/none.wav", 0, 1, false}}, 2, dir.path(), wav, &why));
    EXPECT_NE(why.find("ppt/media/none.wav"), std::string::npos) << why;
}

}  // namespace
