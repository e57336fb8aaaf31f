// The WAV file byte for byte, and read back by FFmpeg and sox.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "WavReader.h"
#include "audio/SoundFile.h"
#include "platform/process/ChildProcess.h"
#include "support/TempDir.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

void WriteBlocks(CSoundFile& file, int count, std::uint32_t bytes) {
    CBuffer block(bytes, true);
    for (std::uint32_t i = 0; i < bytes; ++i) block.ptr[i] = static_cast<std::uint8_t>(i * 7);
    for (int i = 0; i < count; ++i) ASSERT_TRUE(file.Write(block));
}

// Decodes the file with a tool and returns the size of the raw sound it got,
// or -1 when the tool refused the file.
long DecodedBytes(const std::vector<std::string>& argv, const fs::path& raw) {
    auto child = ChildProcess::Spawn(argv, {});
    const auto status = child.Wait(30000);
    if (!status || *status != 0 || !fs::exists(raw)) return -1;
    return static_cast<long>(fs::file_size(raw));
}

long FfmpegBytes(const fs::path& wav, const fs::path& raw) {
    return DecodedBytes({"ffmpeg", "-nostdin", "-v", "error", "-y", "-i", wav.string(), "-f", "s16le", "-acodec",
                         "pcm_s16le", raw.string()},
                        raw);
}

long SoxBytes(const fs::path& wav, const fs::path& raw) {
    return DecodedBytes({"sox", "-V1", wav.string(), "-t", "raw", "-e", "signed-integer", "-b", "16", raw.string()}, raw);
}

TEST(CSoundFile, EmptyCaptureGivesTheBare46ByteHeader) {
    kvtest::TempDir dir;
    const auto path = dir / "~Record001.wav";
    { std::ofstream(path) << std::string(5000, 'x'); }  // replaced, not appended to
    {
        CSoundFile file(path, MakePcmFormat(44100, 2, 16));
        EXPECT_TRUE(file.IsOK());
    }
    const auto wav = kvtest::ReadWav(path);
    ASSERT_EQ(wav.bytes.size(), 46u);
    EXPECT_EQ(wav.Tag(0), "RIFF");
    EXPECT_EQ(wav.U32(4), 38u);
    EXPECT_EQ(wav.Tag(8), "WAVE");
    EXPECT_EQ(wav.Tag(12), "fmt ");
    EXPECT_EQ(wav.U32(16), 18u);
    EXPECT_EQ(wav.U16(20), 1);
    EXPECT_EQ(wav.Channels(), 2);
    EXPECT_EQ(wav.Rate(), 44100u);
    EXPECT_EQ(wav.U32(28), 176400u);
    EXPECT_EQ(wav.U16(32), 4);
    EXPECT_EQ(wav.Bits(), 16);
    EXPECT_EQ(wav.U16(36), 0);
    EXPECT_EQ(wav.Tag(38), "data");
    EXPECT_EQ(wav.DataSize(), 0u);
}

TEST(CSoundFile, SizesAfterCloseAndToolsReadEverySample) {
    kvtest::TempDir dir;
    const auto path = dir / "sound.wav";
    {
        CSoundFile file(path, MakePcmFormat(44100, 2, 16));
        WriteBlocks(file, 3, 4000);
        EXPECT_EQ(file.DataBytes(), 12000u);
    }
    const auto wav = kvtest::ReadWav(path);
    ASSERT_EQ(wav.bytes.size(), 46u + 12000u);
    EXPECT_EQ(wav.U32(4), 12038u);
    EXPECT_EQ(wav.DataSize(), 12000u);
    EXPECT_EQ(wav.bytes[46 + 4000 + 7], static_cast<std::uint8_t>(7 * 7));
    EXPECT_EQ(FfmpegBytes(path, dir / "ffmpeg.raw"), 12000);
    EXPECT_EQ(SoxBytes(path, dir / "sox.raw"), 12000);
}

TEST(CSoundFile, OddDataGetsAPadByteOutsideTheDataSize) {
    kvtest::TempDir dir;
    const auto path = dir / "odd.wav";
    {
        CSoundFile file(path, MakePcmFormat(11025, 1, 8));
        WriteBlocks(file, 1, 1001);
    }
    const auto wav = kvtest::ReadWav(path);
    ASSERT_EQ(wav.bytes.size(), 46u + 1002u);
    EXPECT_EQ(wav.DataSize(), 1001u);
    EXPECT_EQ(wav.U32(4), 38u + 1002u);
    EXPECT_EQ(wav.bytes.back(), 0);
    EXPECT_EQ(FfmpegBytes(path, dir / "ffmpeg.raw"), 2002);  // 8-bit samples decoded to 16-bit
}

TEST(CSoundFile, FileLeftByACrashPlaysUpToTheLastBlock) {
    kvtest::TempDir dir;
    const auto path = dir / "crash.wav";
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The object is never destroyed: no finalising, as in a crash.
        auto* file = new CSoundFile(path, MakePcmFormat(22050, 1, 16));
        CBuffer block(2000, true);
        for (int i = 0; i < 5; ++i) file->Write(block);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const auto wav = kvtest::ReadWav(path);
    ASSERT_EQ(wav.bytes.size(), 46u + 10000u);
    EXPECT_EQ(wav.DataSize(), 10000u);
    EXPECT_EQ(wav.U32(4), 10038u);
    EXPECT_EQ(FfmpegBytes(path, dir / "ffmpeg.raw"), 10000);
    EXPECT_EQ(SoxBytes(path, dir / "sox.raw"), 10000);
}

TEST(CSoundFile, TheSizeLimitStopsWritingWithItsOwnReason) {
    kvtest::TempDir dir;
    const auto path = dir / "sound.wav";
    CBuffer block(4000, true);
    {
        CSoundFile file(path, MakePcmFormat(44100, 2, 16), 3 * block.ByteLen);
        for (int i = 0; i < 3; ++i) ASSERT_TRUE(file.Write(block));
        EXPECT_FALSE(file.Write(block));
        EXPECT_TRUE(file.ReachedSizeLimit());
        EXPECT_EQ(file.Error(), EFBIG);
        EXPECT_EQ(file.ErrorText(), "the sound file reached the 4 GB limit of the WAV format");
        EXPECT_EQ(file.DataBytes(), 3u * block.ByteLen);
    }
    EXPECT_EQ(fs::file_size(path), CSoundFile::kHeaderSize + 3u * block.ByteLen) << "the file ends at the last whole block";
}

TEST(CSoundFile, AFileThatCannotBeCreatedRefusesEveryWrite) {
    kvtest::TempDir dir;
    const auto path = dir / "missing-folder" / "sound.wav";
    CSoundFile file(path, MakePcmFormat(44100, 2, 16));
    EXPECT_FALSE(file.IsOK());
    CBuffer block(4000, true);
    EXPECT_FALSE(file.Write(block));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(file.ReachedSizeLimit());
    EXPECT_EQ(file.ErrorText(), std::strerror(ENOENT));
}

}  // namespace
}  // namespace kv
