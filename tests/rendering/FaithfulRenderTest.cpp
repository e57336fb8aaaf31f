// A rendered video against the recorded one of the same deck, as a viewer
// compares them: picture by picture (PSNR) and by the onsets of the deck's
// tones. The decks come from two writers: OOXML assembled the way PowerPoint
// writes it (effects of every kind, transitions, an animated picture, an
// H.264 film with sound, narration, a looping sound) and the office itself
// (a fade with a transition sound). The recorded video's sound is what the
// computer played, from a private sound server.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "platform/process/ChildProcess.h"
#include "support/OoxmlDeck.h"
#include "support/ShellOutput.h"
#include "support/SoundSource.h"
#include "support/TempDir.h"
#include "support/VideoCompare.h"
#include "support/Xvfb.h"
#include "support/office/TestOffice.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFps = 25;

class FaithfulRenderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (const char* build = std::getenv("KALVISTA_BINARY_DIR"))
            setenv("KALVISTA_OFFICE_PROFILES", (std::string(build) + "/office-profiles").c_str(), 0);
        xvfb = new kvtest::XvfbServer("1280x1024x24");
        sound = new kvtest::TestSoundSource();
        files = new kvtest::TempDir("kalvista-faithful");
        MakeMedia();
    }
    static void TearDownTestSuite() {
        delete files;
        delete sound;
        delete xvfb;
    }

    static void MakeMedia() {
        const auto run = [](const std::string& command) { kvtest::ShellOutput(command + " 2>&1"); };
        // A 3 s film whose sound beeps at 0.5 s and 2 s, a narration that speaks at 1 s, a loop that beeps each 0.75 s.
        run("ffmpeg -v error -f lavfi -i testsrc2=size=320x240:rate=25 -f lavfi -i "
            "\"aevalsrc='0.5*sin(2*PI*880*t)*(between(t,0.5,0.7)+between(t,2,2.2))':s=48000\" -t 3 -c:v libx264 "
            "-pix_fmt yuv420p -c:a aac '" + (*files / "film.mp4").string() + "'");
        for (int i = 0; i < 3; ++i)
            run("ffmpeg -v error -f lavfi -i \"aevalsrc='0.5*sin(2*PI*" + std::to_string(440 + 110 * i) +
                "*t)*between(t,1,1.4)':s=44100\" -t 2 '" + (*files / ("narration" + std::to_string(i) + ".wav")).string() + "'");
        run("ffmpeg -v error -f lavfi -i \"aevalsrc='0.5*sin(2*PI*660*t)*between(t,0,0.15)':s=44100\" -t 0.75 '" +
            (*files / "loop.wav").string() + "'");
        run("ffmpeg -v error -f lavfi -i \"aevalsrc='0.5*sin(2*PI*1200*t)*between(t,0,0.2)':s=44100\" -t 0.5 '" +
            (*files / "whoosh.wav").string() + "'");
        run("ffmpeg -v error -f lavfi -t 2 -i testsrc2=size=160x120:rate=10 -filter_complex "
            "\"split[a][b];[a]palettegen[p];[b][p]paletteuse\" -loop 0 '" + (*files / "moving.gif").string() + "'");
    }

    // The deck converted by `kalvista --convert` with its own timings: rendered, or recorded with the computer's sound.
    static fs::path Convert(const fs::path& deck, bool fast) {
        const fs::path video = *files / (deck.stem().string() + (fast ? "-rendered.mp4" : "-recorded.mp4"));
        std::vector<std::string> argv = {std::string(std::getenv("KALVISTA_BINARY_DIR")) + "/src/app/kalvista",
                                         "--convert", deck.string(), "--output", video.string(), "--mode", "timings",
                                         "--size", "640x360", "--fps", std::to_string(kFps)};
        if (fast) argv.insert(argv.end(), {"--fast", "--jobs", "2"});
        else argv.insert(argv.end(), {"--sound", "Sound of this computer"});
        kv::SpawnOptions options;
        options.outputFile = video.string() + ".log";
        // A run folder of its own: another copy of the program elsewhere on the machine is no reason to wait.
        fs::create_directories(*files / "run");
        options.environment = {"XDG_RUNTIME_DIR=" + (*files / "run").string(), "KALVISTA_TRACE=" + video.string() + ".trace"};
        kv::ChildProcess program = kv::ChildProcess::Spawn(argv, options);
        const auto status = program.Started() ? program.Wait(240000) : std::nullopt;
        EXPECT_EQ(status.value_or(-1), 0) << kvtest::ShellOutput("cat '" + video.string() + ".log'");
        return video;
    }

    // Rendered and recorded agree: 30 dB or more on 95 % of the pictures, the
    // rest within two pictures of a change; every tone within a picture.
    // `loopFrom`: where a slide with a looping sound starts; the office plays
    // such a sound once, where it should repeat to its slide's end, so from
    // there on the rendered video is checked alone: `loops` onsets.
    static void ExpectFaithful(const fs::path& deck, size_t tones, double loopFrom = 1e9, size_t loops = 0) {
        const fs::path rendered = Convert(deck, true), recorded = Convert(deck, false);
        const kvtest::PictureComparison pictures = kvtest::ComparePictures(recorded, rendered, kFps, 320, 180);
        ASSERT_GT(pictures.frames, 0) << deck;
        EXPECT_GE(pictures.over30, 0.95) << deck << ": " << pictures.Describe();
        EXPECT_EQ(pictures.badAwayFromChanges, 0) << deck << ": " << pictures.Describe();
        auto heard = kvtest::ToneOnsets(recorded), made = kvtest::ToneOnsets(rendered);
        const auto looped = std::count_if(made.begin(), made.end(), [&](double at) { return at >= loopFrom; });
        EXPECT_EQ(static_cast<size_t>(looped), loops) << "the looping sound repeats to its slide's end";
        std::erase_if(heard, [&](double at) { return at >= loopFrom; });
        std::erase_if(made, [&](double at) { return at >= loopFrom; });
        std::string onsets;
        for (size_t i = 0; i < std::max(heard.size(), made.size()); ++i)
            onsets += "\n  " + (i < heard.size() ? std::to_string(heard[i]) : "-") + "  " +
                      (i < made.size() ? std::to_string(made[i]) : "-");
        EXPECT_EQ(made.size(), tones) << deck << onsets;
        double worst = 0;
        EXPECT_TRUE(kvtest::MatchOnsets(heard, made, &worst)) << "recorded and rendered tones:" << onsets;
        EXPECT_LE(worst, 1.0 / kFps) << deck << onsets;
        if (const char* keep = std::getenv("KALVISTA_KEEP_VIDEOS"))
            kvtest::ShellOutput("cp '" + rendered.string() + "' '" + recorded.string() + "' '" + keep + "'");
    }

    static kvtest::XvfbServer* xvfb;
    static kvtest::TestSoundSource* sound;
    static kvtest::TempDir* files;
};
kvtest::XvfbServer* FaithfulRenderTest::xvfb = nullptr;
kvtest::TestSoundSource* FaithfulRenderTest::sound = nullptr;
kvtest::TempDir* FaithfulRenderTest::files = nullptr;

TEST_F(FaithfulRenderTest, EffectsTransitionsMediaAndNarrationWrittenAsPowerPointWritesThem) {
    const fs::path deck = *files / "everything.pptx";
    const auto media = [&](const char* name) { return (*files / name).string(); };
    kvtest::MakeOoxmlDeck(deck, R"({"size": [12192000, 6858000], "slides": [
        {"title": "Fades in", "body": ["by itself"], "colour": "FFF2CC", "advance_ms": 2500,
         "effects": [{"kind": "fade", "trigger": "after", "ms": 800}]},
        {"title": "Flies in", "body": ["pushed in"], "colour": "FCE4D6", "advance_ms": 2500, "transition": "push",
         "effects": [{"kind": "fly", "trigger": "after", "ms": 1000}]},
        {"title": "Spins", "body": ["covered"], "colour": "E2EFDA", "advance_ms": 2500, "transition": "cover",
         "effects": [{"kind": "spin", "trigger": "after", "ms": 1000}]},
        {"title": "Leaves", "body": ["on a click"], "colour": "DDEBF7", "advance_ms": 2500,
         "effects": [{"kind": "exit", "trigger": "click", "ms": 800}]},
        {"title": "Moves", "body": ["on a click, then along a path"], "colour": "EDEDED", "advance_ms": 3000,
         "effects": [{"kind": "fade", "trigger": "click", "ms": 500}, {"kind": "path", "trigger": "after", "ms": 1000}]},
        {"title": "Animated", "body": ["a GIF"], "colour": "FFFFFF", "advance_ms": 2500, "picture": ")" + media("moving.gif") + R"("},
        {"title": "Film", "colour": "FFF2CC", "advance_ms": 3500, "media": ")" + media("film.mp4") + R"("},
        {"title": "Narrated 1", "colour": "FCE4D6", "advance_ms": 2500, "media": ")" + media("narration0.wav") + R"("},
        {"title": "Narrated 2", "colour": "E2EFDA", "advance_ms": 2500, "media": ")" + media("narration1.wav") + R"("},
        {"title": "Narrated 3", "colour": "DDEBF7", "advance_ms": 2500, "media": ")" + media("narration2.wav") + R"("},
        {"title": "Looping", "colour": "EDEDED", "advance_ms": 2600, "media": ")" + media("loop.wav") + R"(", "loop": true}]})");
    // The film beeps twice and each narration once; the loop, from 26 s, four times in its 2.6 s.
    ExpectFaithful(deck, 2 + 3, 26.0, 4);
}

TEST_F(FaithfulRenderTest, AFadeWithItsSoundWrittenByTheOffice) {
    const fs::path deck = *files / "office.pptx";
    {
        kvtest::TestOffice office;
        office.MakePresentation(deck, {{0xD01010, 2}, {0x10B020, 2, 1.0, false, false, *files / "whoosh.wav"}, {0x1030E0, 2}});
    }
    ExpectFaithful(deck, 1);
}

}  // namespace
