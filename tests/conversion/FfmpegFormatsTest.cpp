// Every output format converted for real by ffmpeg from short recordings at
// each sample rate and at a low and a high frame rate: the output must
// decode cleanly, carry picture and sound, and last as long as the input.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "app/core/SettingsCatalogue.h"
#include "conversion/ConvertAVIToX.h"
#include "conversion/OutputFormats.h"
#include "conversion/TestAvi.h"
#include "support/TempDir.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

struct Input {
    int framesPerSecond;
    int sampleRate;
};

class EveryFormat : public ::testing::TestWithParam<Input> {};

TEST_P(EveryFormat, ConvertsToAFileThatPlaysWithPictureAndSound) {
    const Input input = GetParam();
    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir("kalvista-formats");
    const fs::path recording = dir / "~Record.avi";
    std::string why;
    ASSERT_TRUE(kvtest::MakeTestAvi(recording, input.framesPerSecond, input.sampleRate, 2.0, &why)) << why;
    const double inputDuration = kvtest::Probe(recording).duration;
    ASSERT_GT(inputDuration, 1.5);

    for (const auto& format : kOutputFormats) {
        if (format.index == FORMAT_AVI) continue;
        const bool hasSizeVariant = format.index == FORMAT_3G2 || format.index == FORMAT_3GP;
        for (int powerPlugs : hasSizeVariant ? std::vector<int>{0, 1} : std::vector<int>{0}) {
            SCOPED_TRACE(std::string(format.name) + (powerPlugs ? " with -s 704x576" : ""));
            settings::SupportPowerPlugs.Set(powerPlugs);
            const fs::path output = dir / (std::string("out") + std::to_string(powerPlugs) + format.extension);
            ASSERT_TRUE(ConvertAVIToX(recording.string(), output.string(), format.index, input.framesPerSecond,
                                      input.sampleRate, 128));
            std::string errors;
            // Every frame decoded at its stored time: FLV keeps milliseconds, and
            // ffmpeg's default 1/30 s output clock would round two of them onto one
            // tick and report that as if it were a fault of the file.
            EXPECT_EQ(kvtest::RunProgram({"ffmpeg", "-nostdin", "-v", "error", "-i", output.string(),
                                          "-enc_time_base", "-1", "-f", "null", "-"},
                                         &errors),
                      0);
            EXPECT_EQ(errors, "");
            const kvtest::MediaFacts facts = kvtest::Probe(output);
            EXPECT_TRUE(facts.hasVideo);
            EXPECT_TRUE(facts.hasAudio);
            EXPECT_NEAR(facts.duration, inputDuration, 0.25);
            fs::remove(output);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Recordings, EveryFormat,
                         ::testing::Values(Input{5, 11025}, Input{30, 11025}, Input{5, 22050}, Input{30, 22050},
                                           Input{5, 44100}, Input{30, 44100}),
                         [](const auto& info) {
                             return std::to_string(info.param.framesPerSecond) + "fps_" +
                                    std::to_string(info.param.sampleRate) + "Hz";
                         });

}  // namespace
}  // namespace kv
