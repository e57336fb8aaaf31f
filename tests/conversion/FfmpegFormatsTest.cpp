// Every output format converted for real by ffmpeg from short recordings as
// our recorder writes them (H.264 4:4:4, every frame a key frame, PCM), at
// the wizard's defaults (5 fps, 11.025 kHz mono and stereo) and at a high
// rate: the output must decode completely without an error, carry the codecs
// and profiles that players expect, and last as long as the input.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>

#include "app/core/SettingsCatalogue.h"
#include "conversion/ConvertAVIToX.h"
#include "conversion/OutputFormats.h"
#include "conversion/StillAvi.h"
#include "conversion/TestAvi.h"
#include "support/TempDir.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

struct Input {
    int framesPerSecond;
    int sampleRate;
    int channels;
    bool still = false;  // written by our writer: two pictures, the rest unchanged positions
};

// What each format must hold, stream by stream ("type:codec:profile:pixels").
const std::map<int, std::string> kStreams = {
    // AVI output of our default encoder's recording: 4:2:0, the sound as it was.
    {FORMAT_AVI, "video:h264:High:yuv420p audio:pcm_s16le::"},
    {FORMAT_WMV, "video:msmpeg4v3::yuv420p audio:wmav2::"},
    {FORMAT_MPEG1, "video:mpeg1video::yuv420p audio:mp2::"},
    {FORMAT_MPEG2, "video:mpeg2video:Main:yuv420p audio:mp2::"},
    // Browsers play only H.264 High (or lower) 4:2:0 with AAC-LC.
    {FORMAT_MP4, "video:h264:High:yuv420p audio:aac:LC:"},
    {FORMAT_FLV, "video:flv1::yuv420p audio:mp3::"},
    // What phones decode: MPEG-4 Simple Profile and AAC-LC.
    {FORMAT_3G2, "video:mpeg4:Simple Profile:yuv420p audio:aac:LC:"},
    {FORMAT_3GP, "video:mpeg4:Simple Profile:yuv420p audio:aac:LC:"},
    {FORMAT_SWF, "video:flv1::yuv420p audio:mp3::"},
    {FORMAT_MOV, "video:h264:High:yuv420p audio:aac:LC:"},
    {FORMAT_ASF, "video:msmpeg4v3::yuv420p audio:wmav2::"},
    {FORMAT_WEBM, "video:vp9:Profile 0:yuv420p audio:opus::"},
    {FORMAT_GIF, "video:gif::bgra"},
};

// The top-level boxes of an MP4/MOV file, in order.
std::vector<std::string> TopLevelBoxes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> boxes;
    const auto fileSize = static_cast<std::uint64_t>(fs::file_size(path));
    std::uint64_t at = 0;
    while (at + 8 <= fileSize && boxes.size() < 64) {
        unsigned char header[16] = {};
        in.seekg(static_cast<std::streamoff>(at));
        in.read(reinterpret_cast<char*>(header), 16);
        std::uint64_t size = (std::uint64_t{header[0]} << 24) | (header[1] << 16) | (header[2] << 8) | header[3];
        if (size == 1)
            for (int i = 8; i < 16; ++i) size = (i == 8 ? 0 : size << 8) | header[i];
        if (size < 8) break;
        boxes.emplace_back(reinterpret_cast<char*>(header + 4), 4);
        at += size;
    }
    return boxes;
}

int Position(const std::vector<std::string>& boxes, const std::string& name) {
    for (size_t i = 0; i < boxes.size(); ++i)
        if (boxes[i] == name) return static_cast<int>(i);
    return -1;
}

struct DecodedFrame {
    double seconds;  // from the first frame
    bool blue;       // else red: the two pictures of a still recording
};

// Every frame ffmpeg decodes from the file's video, at its own time, told
// apart by colour (as 4:2:0, whatever the format's pixels are).
std::vector<DecodedFrame> DecodedFrames(const fs::path& path) {
    std::string log;
    std::vector<DecodedFrame> frames;
    if (kvtest::RunProgram({"ffmpeg", "-nostdin", "-i", path.string(), "-map", "0:v:0", "-vf",
                            "format=yuv420p,showinfo", "-f", "null", "-"},
                           &log) != 0)
        return frames;
    for (size_t at = log.find("pts_time:"); at != std::string::npos; at = log.find("pts_time:", at + 1)) {
        double seconds = 0;
        int y = 0, u = 0, v = 0;
        const size_t mean = log.find("mean:[", at);
        if (mean == std::string::npos || std::sscanf(log.c_str() + at, "pts_time:%lf", &seconds) != 1 ||
            std::sscanf(log.c_str() + mean, "mean:[%d %d %d]", &y, &u, &v) != 3)
            continue;
        frames.push_back({seconds, u > v});
    }
    // Some formats start the video a little after the sound, by the sound
    // encoder's priming: kept out, as only the pictures' own spacing counts here.
    const double first = frames.empty() ? 0 : frames.front().seconds;
    for (auto& frame : frames) frame.seconds -= first;
    return frames;
}

// A still recording holds red up to half its length, then blue, with empty
// positions between the two pictures. Whatever the format, a player must
// show each picture from its own position on: the picture that follows the
// still run must not come a frame early, ahead of its sound.
TEST(StillRecording, EveryPictureStaysAtItsOwnPositionInEveryFormat) {
    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir("kalvista-positions");
    const fs::path recording = dir / "~Record.avi";
    constexpr int kRate = 30, kPositions = 60;
    std::string why;
    ASSERT_TRUE(kvtest::MakeStillAvi(recording, kRate, 22050, kPositions / double(kRate), 1, &why)) << why;
    for (const auto& format : kOutputFormats) {
        SCOPED_TRACE(format.name);
        const fs::path output = dir / (std::string("out") + format.extension);
        ASSERT_TRUE(ConvertAVIToX(recording.string(), output.string(), format.index, kRate, 22050, 128));
        const std::vector<DecodedFrame> frames = DecodedFrames(output);
        ASSERT_FALSE(frames.empty());
        std::string wrong;
        for (int position = 0; position < kPositions; ++position) {
            // What a player shows then: the last frame that has begun.
            const double at = position / double(kRate) + 0.004;
            const DecodedFrame* shown = nullptr;
            for (const auto& frame : frames)
                if (frame.seconds <= at) shown = &frame;
            if (!shown || shown->blue != (position >= kPositions / 2)) wrong += " " + std::to_string(position);
        }
        EXPECT_EQ(wrong, "") << "positions showing the wrong picture";
        fs::remove(output);
    }
}

class EveryFormat : public ::testing::TestWithParam<Input> {};

TEST_P(EveryFormat, ConvertsToAFileThatPlaysWithPictureAndSound) {
    const Input input = GetParam();
    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir("kalvista-formats");
    const fs::path recording = dir / "~Record.avi";
    std::string why;
    ASSERT_TRUE(input.still ? kvtest::MakeStillAvi(recording, input.framesPerSecond, input.sampleRate, 2.0,
                                                   input.channels, &why)
                            : kvtest::MakeTestAvi(recording, input.framesPerSecond, input.sampleRate, 2.0, &why,
                                                  "162x122", input.channels))
        << why;
    ASSERT_EQ(kvtest::StreamFacts(recording), "video:h264:High 4:4:4 Intra:yuv444p audio:pcm_s16le::");
    const double inputDuration = kvtest::Probe(recording).duration;
    ASSERT_GT(inputDuration, 1.5);

    for (const auto& format : kOutputFormats) {
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
            EXPECT_EQ(kvtest::StreamFacts(output), kStreams.at(format.index));
            const kvtest::MediaFacts facts = kvtest::Probe(output);
            EXPECT_TRUE(facts.hasVideo);
            EXPECT_EQ(facts.hasAudio, format.index != FORMAT_GIF);
            EXPECT_NEAR(facts.duration, inputDuration, 0.25);
            if (format.index == FORMAT_MP4 || format.index == FORMAT_MOV) {
                // The index first, so a browser plays while it downloads.
                const auto boxes = TopLevelBoxes(output);
                ASSERT_GE(Position(boxes, "mdat"), 0);
                EXPECT_GE(Position(boxes, "moov"), 0);
                EXPECT_LT(Position(boxes, "moov"), Position(boxes, "mdat"));
            }
            fs::remove(output);
        }
    }
}

// A phone's decoder checks the level against the size: a 720p capture comes
// out at 640x360, labelled MPEG-4 Simple Profile level 4a; the fixed frame
// size 704x576 at level 5.
TEST(PhoneFormats, VideoFitsTheLevelItIsLabelledWith) {
    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir("kalvista-phone");
    const fs::path recording = dir / "~Record.avi";
    std::string why;
    ASSERT_TRUE(kvtest::MakeTestAvi(recording, 10, 11025, 1.0, &why, "1280x720", 1)) << why;
    for (int powerPlugs : {0, 1}) {
        settings::SupportPowerPlugs.Set(powerPlugs);
        for (int index : {FORMAT_3G2, FORMAT_3GP}) {
            const fs::path output = dir / ("out" + std::to_string(index) + kOutputFormats[index].extension);
            ASSERT_TRUE(ConvertAVIToX(recording.string(), output.string(), index, 10, 11025, 32));
            std::string facts;
            ASSERT_EQ(kvtest::RunProgram({"ffprobe", "-v", "error", "-select_streams", "v", "-show_entries",
                                          "stream=profile,level,width,height", "-of", "csv=p=0", output.string()},
                                         &facts),
                      0);
            EXPECT_EQ(facts, powerPlugs ? "Simple Profile,704,576,5\n" : "Simple Profile,640,360,4\n") << index;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Recordings, EveryFormat,
                         ::testing::Values(Input{5, 11025, 1}, Input{5, 11025, 2}, Input{30, 22050, 2},
                                           Input{5, 44100, 2}, Input{30, 44100, 1}, Input{30, 22050, 2, true}),
                         [](const auto& info) {
                             return std::to_string(info.param.framesPerSecond) + "fps_" +
                                    std::to_string(info.param.sampleRate) + "Hz_" +
                                    std::to_string(info.param.channels) + "ch" + (info.param.still ? "_still" : "");
                         });

}  // namespace
}  // namespace kv
