// The batch mode's command line and the settings it stores for the container.
#include <gtest/gtest.h>

#include <fstream>

#include "app/batch/BatchOptions.h"
#include "app/batch/BatchSettings.h"
#include "app/batch/RecordedDecks.h"
#include "app/batch/SoundDeviceChoice.h"
#include "app/core/SettingsCatalogue.h"
#include "support/TempDir.h"

namespace {

using Args = std::vector<std::string>;

class BatchOptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_talk = (m_dir / "Talk.PPTX").string();
        std::ofstream(m_talk) << "x";
    }
    kv::BatchParse Parse(Args extra) {
        Args args = {"--convert", m_talk};
        args.insert(args.end(), extra.begin(), extra.end());
        return kv::ParseBatchOptions(args);
    }
    kvtest::TempDir m_dir;
    std::string m_talk;
};

TEST_F(BatchOptionsTest, DefaultsAndEveryOption) {
    auto parse = Parse({});
    ASSERT_TRUE(parse.options) << parse.error;
    EXPECT_EQ(parse.options->format, "MP4");
    EXPECT_EQ(parse.options->captureMode, 2);
    EXPECT_EQ(parse.options->fps, 5);
    EXPECT_TRUE(parse.options->sound);

    const std::string out = (m_dir / "clip.flv").string();
    parse = Parse({"--output", out, "--mode", "presenter", "--seconds", "20", "--size", "640x480", "--fps", "30",
                   "--no-sound", "--cursor"});
    ASSERT_TRUE(parse.options) << parse.error;
    EXPECT_EQ(parse.options->format, "FLV");  // from the extension
    EXPECT_EQ(parse.options->output, out);
    EXPECT_EQ(parse.options->captureMode, 3);
    EXPECT_EQ(parse.options->seconds, 20);
    EXPECT_EQ(parse.options->width, 640);
    EXPECT_EQ(parse.options->height, 480);
    EXPECT_FALSE(parse.options->sound);
    EXPECT_TRUE(parse.options->cursor);

    EXPECT_FALSE(parse.options->fast);
    parse = Parse({"--fast", "--mode", "timings"});
    ASSERT_TRUE(parse.options) << parse.error;
    EXPECT_TRUE(parse.options->fast);
    // Rendering goes beyond what a recording of the screen can keep up with.
    parse = Parse({"--fast", "--fps", "60", "--size", "3840x2160"});
    ASSERT_TRUE(parse.options) << parse.error;
    EXPECT_EQ(parse.options->fps, 60);
    EXPECT_EQ(parse.options->width, 3840);

    parse = Parse({"--format", "mpeg2", "--mode", "timings"});
    ASSERT_TRUE(parse.options) << parse.error;
    EXPECT_EQ(parse.options->format, "MPEG2");
    EXPECT_EQ(parse.options->fps, 25);
    EXPECT_EQ(parse.options->captureMode, 1);

    parse = Parse({"--format", "webm"});
    ASSERT_TRUE(parse.options) << parse.error;
    EXPECT_EQ(parse.options->format, "WEBM");
    parse = Parse({"--output", (m_dir / "clip.gif").string()});
    ASSERT_TRUE(parse.options) << parse.error;
    EXPECT_EQ(parse.options->format, "GIF");

    EXPECT_TRUE(kv::ParseBatchOptions({"--convert", "--help"}).help);
}

TEST_F(BatchOptionsTest, RefusesBadInputWithAReason) {
    const std::string notes = (m_dir / "notes.txt").string();
    std::ofstream(notes) << "x";
    const struct {
        Args args;
        const char* reason;
    } cases[] = {
        {{"--convert", (m_dir / "missing.pptx").string()}, "presentation not found"},
        {{"--convert", notes}, "not a presentation"},
        {{"--convert"}, "needs a value"},
        {{"--convert", m_talk, "--format", "MKV"}, "unknown format"},
        {{"--convert", m_talk, "--output", (m_dir / "a.gif").string(), "--format", "WEBM"}, "does not fit"},
        {{"--convert", m_talk, "--output", (m_dir / "a.mp4").string(), "--format", "AVI"}, "does not fit"},
        {{"--convert", m_talk, "--output", (m_dir / "a.xyz").string()}, "cannot tell the format"},
        {{"--convert", m_talk, "--output", (m_dir / "no/such/a.mp4").string()}, "output folder not found"},
        {{"--convert", m_talk, "--fps", "12"}, "not offered"},
        {{"--convert", m_talk, "--format", "MPEG1", "--fps", "30"}, "not offered"},
        {{"--convert", m_talk, "--size", "99x400"}, "Minimum resolution must be 100 x 100."},
        {{"--convert", m_talk, "--size", "640by480"}, "needs WxH"},
        {{"--convert", m_talk, "--seconds", "0"}, "between 1 and 20"},
        {{"--convert", m_talk, "--mode", "fast"}, "unknown mode"},
        {{"--convert", m_talk, "--frobnicate", "1"}, "unknown option"},
        {{"--convert", m_talk, "--cursor", "extra"}, "unexpected argument"},
        {{"--convert", m_talk, "--fast", "--mode", "presenter"}, "cannot be rendered fast"},
        {{"--convert", m_talk, "--fast", "--sound", "default"}, "a live narration from a sound input cannot be rendered"},
        {{"--convert", m_talk, "--fps", "60"}, "not offered"},
        {{"--convert", m_talk, "--fast", "--fps", "45"}, "not offered"},
        {{"--convert", m_talk, "--fast", "--size", "3841x2160"}, "--fast renders at most 3840x2160"},
        // Bounds on what the command line may ask, named as --help names them.
        {{"--convert", m_talk, "--size", "7681x4320"}, "--size may be at most 7680x4320"},
        {{"--convert", m_talk, "--size", "640x99999999999"}, "needs WxH"},
        {{"--convert", m_talk, "--fast", "--jobs", "17"}, "--jobs may be at most 16"},
    };
    for (const auto& c : cases) {
        const auto parse = kv::ParseBatchOptions(c.args);
        EXPECT_FALSE(parse.options) << c.reason;
        EXPECT_NE(parse.error.find(c.reason), std::string::npos) << parse.error;
    }
}

TEST_F(BatchOptionsTest, LinkedContentIsFetchedOnlyWhenAskedAndEveryBoundIsInTheHelp) {
    EXPECT_FALSE(kv::ParseBatchOptions({"--convert", m_talk}).options->allowLinkedContent);
    EXPECT_TRUE(kv::ParseBatchOptions({"--convert", m_talk, "--allow-linked-content"}).options->allowLinkedContent);
    EXPECT_TRUE(kv::ParseBatchOptions({"--convert", m_talk, "--size", "7680x4320"}).options.has_value());
    const std::string help = kv::kBatchUsage;
    for (const char* bound : {"--allow-linked-content", "7680x4320", "1 to 16", "slides: at most 1000", "at most 1 h",
                              "at most 60 s", "at most 24 h", "150 million pixels", "50000 parts and 4 GB unpacked",
                              "1000 times its packed size", "first 1000 slide changes"})
        EXPECT_NE(help.find(bound), std::string::npos) << bound;
}

TEST_F(BatchOptionsTest, StoresWhatTheWizardStoresAndReadsTheContainerArgumentsBack) {
    kvtest::ScopedRegistry registry;
    auto parse = Parse({"--seconds", "3", "--size", "640x480", "--fps", "10", "--cursor"});
    ASSERT_TRUE(parse.options);
    const auto names = kv::MakeBatchFileNames(*parse.options, "/videos");
    EXPECT_EQ(names.aviVideoFileName, "/videos/Talk.avi");
    EXPECT_EQ(names.outputFileName, "/videos/Talk.mp4");
    kv::StoreBatchSettings(*parse.options, names, 2);

    using namespace kv::settings;
    EXPECT_EQ(PowerPointFileName.Get(), m_talk);
    EXPECT_EQ(AVIVideoFileName.Get(), "/videos/Talk.avi");
    EXPECT_EQ(OutputFileName.Get(), "/videos/Talk.mp4");
    EXPECT_EQ(OutputFormat.Get(), "MP4");
    EXPECT_EQ(CaptureSound.Get(), 1u);
    EXPECT_EQ(SoundDevice.Get(), 2u);
    EXPECT_EQ(AudioProperties.Get(), "44.1 kHz, stereo, 16-bit");
    EXPECT_EQ(BitRate.Get(), 320u);
    EXPECT_EQ(FrameRate.Get(), 10u);
    EXPECT_EQ(VideoCompression.Get(), "Microsoft MPEG-4 Video Codec V1");
    EXPECT_EQ(Resolution.Get(), 2u);  // "640x480" in the wizard's list
    EXPECT_EQ(TimeinSec.Get(), 2u);   // the list index: seconds less one
    EXPECT_EQ(MouseCapture.Get(), 1u);
    EXPECT_EQ(FastRender.Get(), 0u);

    const kv::ContainerRequest request = kv::ReadContainerRequest();
    EXPECT_EQ(request.presentationPath, m_talk);
    EXPECT_EQ(request.captureMode, 2);
    EXPECT_EQ(request.secondsPerSlide, 3);
    EXPECT_EQ(request.width, 640);
    EXPECT_EQ(request.height, 480);
    EXPECT_TRUE(request.startRecordingAtOnce);

    // An output of the user's choosing names the intermediate file after it.
    parse = Parse({"--output", (m_dir / "final.wmv").string(), "--size", "800x608"});
    ASSERT_TRUE(parse.options);
    const auto chosen = kv::MakeBatchFileNames(*parse.options, "/videos");
    EXPECT_EQ(chosen.aviVideoFileName, (m_dir / "final.avi").string());
    EXPECT_EQ(chosen.outputFileName, (m_dir / "final.wmv").string());
    kv::StoreBatchSettings(*parse.options, chosen, 0);
    EXPECT_EQ(Resolution.Get(), 6u);  // "Custom..."
}

TEST(PrivateScreen, HoldsTheCaptureSizeAndTheToolbar) {
    const auto big = kv::PrivateScreenSize(1920, 1080);
    EXPECT_EQ(big.width, 1920);
    EXPECT_GE(big.height, 1080 + 2 * 23) << "two default button heights under the slide area";
    const auto small = kv::PrivateScreenSize(320, 240);
    EXPECT_EQ(std::pair(small.width, small.height), std::pair(1024, 768)) << "room for the conversion dialog";
}

TEST(SoundDeviceChoice, ByNameTextOrPosition) {
    const std::vector<std::string> names = {"default", "pulse", "hw:CARD=X,DEV=0"};
    const std::vector<std::string> texts = {"Default", "PulseAudio", "X card"};
    EXPECT_EQ(kv::ChooseSoundDevice("", names, texts), 0);
    EXPECT_EQ(kv::ChooseSoundDevice("pulse", names, texts), 1);
    EXPECT_EQ(kv::ChooseSoundDevice("x CARD", names, texts), 2);
    EXPECT_EQ(kv::ChooseSoundDevice("2", names, texts), 2);
    EXPECT_EQ(kv::ChooseSoundDevice("3", names, texts), std::nullopt);
    EXPECT_EQ(kv::ChooseSoundDevice("nope", names, texts), std::nullopt);
    EXPECT_EQ(kv::ChooseSoundDevice("", {}, {}), std::nullopt);
}

}  // namespace

namespace {

TEST_F(BatchOptionsTest, SeveralPresentationsGoIntoAFolder) {
    const std::string other = (m_dir / "Other.odp").string();
    std::ofstream(other) << "x";
    auto parse = kv::ParseBatchOptions({"--convert", m_talk, other, "--output", m_dir.path().string(), "--fast"});
    ASSERT_TRUE(parse.options) << parse.error;
    EXPECT_EQ(parse.options->presentations, (std::vector<std::string>{m_talk, other}));
    EXPECT_EQ(parse.options->format, "MP4");
    EXPECT_GE(parse.options->jobs, 1);

    parse = kv::ParseBatchOptions({"--convert", m_talk, other, "--output", (m_dir / "a.mp4").string()});
    EXPECT_NE(parse.error.find("names a folder"), std::string::npos) << parse.error;
    parse = kv::ParseBatchOptions({"--convert", m_talk, "--jobs", "2"});
    EXPECT_NE(parse.error.find("--jobs needs --fast"), std::string::npos) << parse.error;

    // The recorded path runs each presentation on its own command line.
    const auto one = kv::OneDeckArguments({"--convert", m_talk, other, "--output", "/videos", "--seconds", "3"}, other,
                                          "/videos/Other.mp4");
    EXPECT_EQ(one, (std::vector<std::string>{"--seconds", "3", "--convert", other, "--output", "/videos/Other.mp4"}));
}

}  // namespace
