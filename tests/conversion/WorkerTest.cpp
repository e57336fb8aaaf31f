// The conversion worker with real ffmpeg runs: output names, what happens
// to the recording, the end message, and the failures (ffmpeg missing,
// ffmpeg killed).
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <thread>

#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "conversion/ConvertAVITOXThread.h"
#include "conversion/ConvertAVIToX.h"
#include "conversion/ConversionFailure.h"
#include "conversion/OutputFileName.h"
#include "conversion/OutputFormats.h"
#include "conversion/PlayableAvi.h"
#include "conversion/TestAvi.h"
#include "platform/core/Trace.h"
#include "recording/state/RecorderState.h"
#include "support/TempDir.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& path) { std::ofstream(path) << "x"; }

// Stands in for the dialog: counts UWM_CONVERSIONEND on a thread of its own.
class EndListener : public MessageReceiver {
public:
    EndListener() {
        m_handle = CreateWindowHandle(this, &m_thread, "#32770", "Kalvista");
        g_hWaitDlg = m_handle;
    }
    ~EndListener() override {
        g_hWaitDlg = 0;
        DestroyWindowHandle(m_handle);
    }
    LRESULT OnMessage(UINT message, WPARAM, LPARAM) override {
        if (message == UWM_CONVERSIONEND) ++ends;
        return 1;
    }
    std::atomic<int> ends{0};

private:
    LoopThread m_thread;
    HWND m_handle = 0;
};

class ScopedPath {
public:
    explicit ScopedPath(const std::string& value) : m_old(std::getenv("PATH") ? std::getenv("PATH") : "") {
        ::setenv("PATH", value.c_str(), 1);
    }
    ~ScopedPath() { ::setenv("PATH", m_old.c_str(), 1); }

private:
    std::string m_old;
};

class ConversionWorker : public ::testing::Test {
protected:
    void SetUp() override {
        recording = (dir / "~Record.avi").string();
        std::string why;
        ASSERT_TRUE(kvtest::MakeTestAvi(recording, 5, 22050, 2.0, &why)) << why;
        settings::AVIVideoFileName.Set(recording);
        settings::OutputFileName.Set((dir / "talk.mp4").string());
        settings::OutputFormat.Set("MP4");
        settings::FrameRate.Set(5);
        settings::AudioProperties.Set("22.05 kHz, stereo, 16-bit");
    }

    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir{"kalvista-worker"};
    std::string recording;
};

TEST(OutputName, ExistingNamesGetTheNextFreeNumberAndAreStored) {
    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir;
    std::string fresh = (dir / "new.mp4").string();
    EXPECT_TRUE(GetOutPutFileName(fresh));
    EXPECT_EQ(fresh, (dir / "new.mp4").string());

    Touch(dir / "talk.mp4");
    Touch(dir / "talk1.mp4");
    TraceCapture traces;
    std::string path = (dir / "talk.mp4").string();
    EXPECT_TRUE(GetOutPutFileName(path));
    EXPECT_EQ(path, (dir / "talk2.mp4").string());
    EXPECT_EQ(settings::OutputFileName.Get(), path);
    EXPECT_TRUE(traces.Contains("SaveAVI: Retrying with filename " + (dir / "talk1.mp4").string() + "\n"));

    Touch(dir / "notes");
    std::string bare = (dir / "notes").string();
    GetOutPutFileName(bare);
    EXPECT_EQ(bare, (dir / "notes1").string());
}

TEST(OutputName, SampleRateComesFromTheFirstFieldWithTheConversionDefault) {
    EXPECT_EQ(ConversionSampleRate("11.025 kHz, mono, 16-bit"), 11025);
    EXPECT_EQ(ConversionSampleRate("22.05 KHZ, STEREO, 16-BIT"), 22050);
    EXPECT_EQ(ConversionSampleRate("44.1 kHz, stereo, 16-bit"), 44100);
    EXPECT_EQ(ConversionSampleRate("48 kHz, stereo"), 44100);
    EXPECT_EQ(ConversionSampleRate(""), 44100);
}

TEST_F(ConversionWorker, ConvertsDeletesTheRecordingAndReportsTheEnd) {
    kvtest::TempDir busy;
    Touch(dir / "talk.mp4");  // taken: the worker must pick talk1.mp4
    EndListener listener;
    EXPECT_EQ(ConvertAVITOXThread(), 1);
    EXPECT_EQ(listener.ends.load(), 1);
    EXPECT_EQ(settings::OutputFileName.Get(), (dir / "talk1.mp4").string());
    EXPECT_GT(fs::file_size(dir / "talk1.mp4"), 1000u);
    EXPECT_FALSE(fs::exists(recording));
}

TEST_F(ConversionWorker, KeepsTheRecordingWhenAskedTo) {
    settings::DeleteIntermediateFile.Set(0);
    EXPECT_EQ(ConvertAVITOXThread(), 1);  // no dialog: the end message goes nowhere
    EXPECT_TRUE(fs::exists(dir / "talk.mp4"));
    EXPECT_TRUE(fs::exists(recording));
}

TEST_F(ConversionWorker, MissingFfmpegFailsWithCodeTwoAndKeepsTheRecording) {
    kvtest::TempDir emptyFolder;
    ScopedPath path(emptyFolder.path().string());
    EndListener listener;
    TraceCapture traces;
    EXPECT_FALSE(ConvertAVIToX(recording, (dir / "x.mp4").string(), FORMAT_MP4, 5, 22050, 128));
    EXPECT_TRUE(traces.Contains("CWaitDlg::ConvertAVIToX : CreateProcess() Fails with err code : 2"));
    EXPECT_EQ(ConvertAVITOXThread(), 0);
    EXPECT_TRUE(traces.Contains("CWaitDlg::OnDialogEnd():- ConvertAVIToX() Failed\n"));
    EXPECT_EQ(listener.ends.load(), 1);
    EXPECT_TRUE(fs::exists(recording));  // DeleteIntermediateFile is on, but this is the only copy
    EXPECT_FALSE(fs::exists(dir / "talk.mp4"));
}

TEST_F(ConversionWorker, FailingFfmpegRemovesItsPartialOutput) {
    // Not a video: ffmpeg starts, writes nothing useful and exits with an error.
    std::ofstream(recording, std::ios::trunc) << "RIFF but not really an AVI";
    TraceCapture traces;
    EXPECT_FALSE(ConvertAVIToX(recording, (dir / "bad.mov").string(), FORMAT_MOV, 5, 44100, 128));
    EXPECT_FALSE(fs::exists(dir / "bad.mov"));
    EXPECT_TRUE(fs::exists(recording));
    bool traced = false;
    for (const auto& line : traces.Lines())
        traced |= line.rfind("CWaitDlg::ConvertAVIToX : ffmpeg failed with exit code : 1", 0) == 0;
    EXPECT_TRUE(traced);
}

// A stand-in ffmpeg in a folder of its own, put first on PATH.
class FakeFfmpeg {
public:
    explicit FakeFfmpeg(const std::string& body) {
        const fs::path program = m_folder / "ffmpeg";
        std::ofstream(program) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(program, fs::perms::owner_all);
        const char* path = std::getenv("PATH");
        m_path.emplace(m_folder.path().string() + ":" + (path ? path : ""));
    }

private:
    kvtest::TempDir m_folder{"kalvista-fake-ffmpeg"};
    std::optional<ScopedPath> m_path;
};

TEST_F(ConversionWorker, FailuresSayWhyInWords) {
    std::string why;
    {
        kvtest::TempDir emptyFolder;
        ScopedPath path(emptyFolder.path().string());
        EXPECT_FALSE(ConvertAVIToX(recording, (dir / "x.mp4").string(), FORMAT_MP4, 5, 22050, 128, &why));
        EXPECT_EQ(why.rfind("ffmpeg was not found in ", 0), 0u) << why;
    }
    {
        // Progress lines end in a carriage return; "Conversion failed!" says nothing new.
        FakeFfmpeg ffmpeg("printf 'frame=    1 fps=0.0\\r' >&2\n"
                          "echo 'Error while opening encoder for output stream #0:0' >&2\n"
                          "echo 'Conversion failed!' >&2\nexit 1");
        EXPECT_FALSE(ConvertAVIToX(recording, (dir / "x.mp4").string(), FORMAT_MP4, 5, 22050, 128, &why));
        EXPECT_EQ(why, "Error while opening encoder for output stream #0:0");
    }
    {
        FakeFfmpeg ffmpeg("echo 'av_interleaved_write_frame(): No space left on device' >&2\nexit 1");
        EXPECT_FALSE(ConvertAVIToX(recording, (dir / "x.mp4").string(), FORMAT_MP4, 5, 22050, 128, &why));
        EXPECT_EQ(why, "No space left on " + dir.path().string());
    }
    {
        FakeFfmpeg ffmpeg("exit 0");  // claims success, makes nothing
        EXPECT_FALSE(ConvertAVIToX(recording, (dir / "x.mp4").string(), FORMAT_MP4, 5, 22050, 128, &why));
        EXPECT_EQ(why, "ffmpeg made no output file: " + (dir / "x.mp4").string());
    }
    EXPECT_FALSE(ConvertAVIToX(recording, recording, FORMAT_ASF, 5, 44100, 128, &why));
    EXPECT_EQ(why.rfind("the output file is the recording itself", 0), 0u) << why;
}

TEST_F(ConversionWorker, TheWorkerKeepsTheReasonForTheDialog) {
    FakeFfmpeg ffmpeg("echo 'Unknown encoder libfoo' >&2\nexit 1");
    EXPECT_EQ(ConvertAVITOXThread(), 0);
    EXPECT_EQ(ConversionFailure(), "Unknown encoder libfoo");
    EXPECT_TRUE(fs::exists(recording));
    settings::OutputFormat.Set("AVI");
    settings::OutputFileName.Set((dir / "no folder" / "talk.avi").string());
    EXPECT_FALSE(MoveAVIToOutput());
    EXPECT_EQ(ConversionFailure().rfind("cannot write " + (dir / "no folder" / "talk.avi").string(), 0), 0u)
        << ConversionFailure();
    settings::OutputFileName.Set((dir / "talk.avi").string());
    EXPECT_TRUE(MoveAVIToOutput());
    EXPECT_EQ(ConversionFailure(), "");
}

TEST_F(ConversionWorker, AHangingFfmpegIsEndedAtItsTimeLimit) {
    EXPECT_EQ(ConverterTimeLimitMs(0), 120000);
    EXPECT_EQ(ConverterTimeLimitMs(60), 120000 + 600000);
    SetConverterTimeLimit({500, 100});  // the recording lasts 2 s: 0.7 s in all
    FakeFfmpeg ffmpeg("touch \"$(eval echo \\${$#})\"\nexec sleep 600");
    const std::string output = (dir / "hang.mp4").string();
    const auto started = std::chrono::steady_clock::now();
    std::string why;
    const bool converted = ConvertAVIToX(recording, output, FORMAT_MP4, 5, 22050, 128, &why);
    const auto took = std::chrono::steady_clock::now() - started;
    SetConverterTimeLimit({});
    EXPECT_FALSE(converted);
    EXPECT_EQ(why, "ffmpeg did not finish within 1 s");
    EXPECT_LT(took, std::chrono::seconds(10));
    EXPECT_FALSE(fs::exists(output));  // its partial output is gone
    EXPECT_TRUE(fs::exists(recording));
}

TEST_F(ConversionWorker, NeverConvertsARecordingOntoItself) {
    EXPECT_FALSE(ConvertAVIToX(recording, recording, FORMAT_ASF, 5, 44100, 128));
    EXPECT_TRUE(fs::exists(recording));
}

// The pid of our ffmpeg child, or 0.
pid_t FindFfmpegChild() {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const size_t open = line.find('('), close = line.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        if (line.substr(open + 1, close - open - 1) != "ffmpeg") continue;
        int ppid = 0;
        if (std::sscanf(line.c_str() + close + 2, "%*c %d", &ppid) == 1 && ppid == ::getpid())
            return std::stoi(line.substr(0, open));
    }
    return 0;
}

TEST_F(ConversionWorker, KilledFfmpegIsAFailureAndLeavesNoPartialFile) {
    const std::string longRecording = (dir / "long.avi").string();
    ASSERT_TRUE(kvtest::MakeTestAvi(longRecording, 30, 44100, 30.0, nullptr, "640x480"));
    const std::string output = (dir / "long.mov").string();
    std::atomic<int> result{-1};
    std::thread worker([&] { result = ConvertAVIToX(longRecording, output, FORMAT_MOV, 30, 44100, 128); });
    pid_t pid = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline && (!pid || !fs::exists(output))) {
        if (!pid) pid = FindFfmpegChild();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_GT(pid, 0);
    ::kill(pid, SIGKILL);
    worker.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_FALSE(fs::exists(output));
    EXPECT_TRUE(fs::exists(longRecording));
}


TEST(AwkwardPaths, BlanksQuotesDollarsBackslashesAndAccentsReachFfmpegWhole) {
    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir("kalvista-paths");
    const fs::path folder = dir / "My \"talks\" $HOME `x` \\ Ünïcødé; rm -rf";
    fs::create_directories(folder);
    const fs::path recording = folder / "~Record 'one'.avi";
    ASSERT_TRUE(kvtest::MakeTestAvi(recording, 5, 44100, 1.0));
    const fs::path output = folder / "Grüße & $(echo no) \\n.mp4";
    EXPECT_TRUE(ConvertAVIToX(recording.string(), output.string(), FORMAT_MP4, 5, 44100, 128));
    EXPECT_GT(fs::file_size(output), 1000u);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
}

TEST_F(ConversionWorker, OnlyOurDefaultEncodersRecordingIsMadePlayableForAviOutput) {
    EXPECT_TRUE(NeedsPlayableAvi(recording));
    const fs::path chosen = dir / "chosen.avi";
    ASSERT_TRUE(kvtest::MakeMpeg4Avi(chosen, 5, 22050, 1.0));
    EXPECT_FALSE(NeedsPlayableAvi(chosen.string()));
    EXPECT_FALSE(NeedsPlayableAvi((dir / "missing.avi").string()));
    Touch(dir / "broken.avi");
    EXPECT_FALSE(NeedsPlayableAvi((dir / "broken.avi").string()));
}

TEST_F(ConversionWorker, AviOutputKeepsTheRecordingWhenItCannotBeMadePlayable) {
    // Without ffmpeg the 4:2:0 copy fails; the user still gets the recording.
    kvtest::TempDir empty;
    ScopedPath path(empty.path().string());
    EndListener listener;
    settings::OutputFormat.Set("AVI");
    settings::OutputFileName.Set((dir / "talk.avi").string());
    EXPECT_EQ(ConvertAVITOXThread(), 1);
    EXPECT_EQ(listener.ends.load(), 1);
    EXPECT_FALSE(fs::exists(recording));
    EXPECT_TRUE(NeedsPlayableAvi((dir / "talk.avi").string()));
}

}  // namespace
}  // namespace kv
