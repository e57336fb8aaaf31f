// Saving a recording: the merge of real picture and sound files, the name
// search, and what is kept when something fails.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <algorithm>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "audio/SoundFile.h"
#include "platform/core/Trace.h"
#include "platform/files/RunFolder.h"
#include "recording/AviReadBack.h"
#include "recording/ChildProcessLimit.h"
#include "recording/Recorder.h"
#include "recording/RecordingRecovery.h"
#include "recording/TestPictures.h"
#include "recording/state/RecordingReport.h"
#include "support/TempDir.h"

namespace kv {
namespace {
namespace fs = std::filesystem;

constexpr int kFps = 10;

// Stands in for the conversion dialog: collects the merge's percentages.
class ProgressWindow : public MessageReceiver {
public:
    ProgressWindow() { g_hWaitDlg = m_handle = CreateWindowHandle(this, &m_thread, "WaitDlg", "Kalvista"); }
    ~ProgressWindow() override {
        g_hWaitDlg = 0;
        DestroyWindowHandle(m_handle);
        m_thread.Stop();
    }
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM) override {
        if (message == UWM_MERGE_PROGRESS) percents.push_back(static_cast<int>(wParam));
        return 0;
    }
    std::vector<int> percents;  // filled on the window's thread while senders wait

private:
    LoopThread m_thread;
    HWND m_handle = 0;
};

class SaveMergeTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The temporary folder is shared with other tests: names of our own.
        name = "talk-" + std::to_string(getpid());
        settings::AVIVideoFileName.Set((dir / "out" / (name + ".avi")).string());
        temp = GetTempFolder((dir / "out").string());
        saved = (fs::path(temp) / (name + ".avi")).string();
        recorder.m_strTempVideoPath = (dir / "~Record.avi").string();
        recorder.m_strTempSoundPath = (dir / "~Record001.wav").string();
    }
    void TearDown() override {
        for (const auto& entry : fs::directory_iterator(temp))
            if (entry.path().filename().string().rfind(name, 0) == 0) fs::remove_all(entry.path());
    }

    void MakeVideo(double seconds) {
        g_iFrameRate = kFps;
        g_iQualityFactor = 80;
        CAviFile avi;
        ASSERT_EQ(avi.Initialise(recorder.m_strTempVideoPath, 324, 244, 0), S_OK);
        for (long position = 0; position < std::lround(seconds * kFps); ++position) {
            kvtest::OwnedFrame frame = kvtest::MakeNumberedFrame(static_cast<int>(position % 256), 324, 244);
            ASSERT_EQ(avi.AppendNewFrame(frame.image, position), S_OK);
        }
        ASSERT_TRUE(avi.ReleaseMemory());
        g_iRecordedFrameRate = kFps;
    }

    void MakeSound(double seconds) {
        CSoundFile wav(recorder.m_strTempSoundPath, MakePcmFormat(44100, 2, 16));
        ASSERT_TRUE(wav.IsOK());
        const std::uint32_t frames = 4410;
        CBuffer block(frames * 4, true);
        auto* samples = reinterpret_cast<std::int16_t*>(block.ptr);
        for (long done = 0; done < std::lround(seconds * 44100); done += frames) {
            for (std::uint32_t i = 0; i < frames; ++i)
                samples[2 * i] = samples[2 * i + 1] = static_cast<std::int16_t>(8000 * std::sin((done + i) * 0.06));
            ASSERT_TRUE(wav.Write(block));
        }
        g_iRecordAudio = AUDIO_SOURCE_MIC;
    }

    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir;
    CRecorder recorder;
    std::string name, temp, saved;
};

TEST_F(SaveMergeTest, MergeGivesBothStreamsOfOneLengthWithRisingProgress) {
    MakeVideo(10);
    MakeSound(10);
    ProgressWindow dialog;
    ASSERT_EQ(Merge_Video_And_Sound_File(recorder.m_strTempVideoPath, recorder.m_strTempSoundPath, saved), 0);
    const kvtest::AviReadBack back = kvtest::ReadAvi(saved, [](std::int64_t position, const FrameImage& picture) {
        EXPECT_EQ(kvtest::ReadFrameNumber(picture), position % 256);
    });
    EXPECT_EQ(back.positions, 100);
    EXPECT_EQ(back.pictures.size(), 100u);
    EXPECT_EQ(back.audioStreams, 1);
    EXPECT_EQ(back.audioRate, 44100);
    EXPECT_EQ(back.audioChannels, 2);
    EXPECT_LE(std::fabs(back.VideoSeconds() - back.audioSeconds), 1.0 / kFps);
    ASSERT_FALSE(dialog.percents.empty());
    EXPECT_EQ(dialog.percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(dialog.percents.begin(), dialog.percents.end()));
}

TEST_F(SaveMergeTest, SavedWithSoundUnderTheOutputNameAndTemporariesRemoved) {
    MakeVideo(2);
    MakeSound(3);  // longer sound than picture: all of it is kept
    ASSERT_EQ(recorder.SaveAVI(), 0);
    EXPECT_EQ(settings::AVIVideoFileName.Get(), saved);
    EXPECT_FALSE(fs::exists(recorder.m_strTempVideoPath));
    EXPECT_FALSE(fs::exists(recorder.m_strTempSoundPath));
    const kvtest::AviReadBack back = kvtest::ReadAvi(saved);
    EXPECT_EQ(back.positions, 20);
    EXPECT_NEAR(back.audioSeconds, 3.0, 0.05);
}

TEST_F(SaveMergeTest, NameThatCannotBeWrittenIsNumberedAndFourFailuresGiveUp) {
    MakeVideo(1);
    MakeSound(1);
    fs::create_directory(saved);  // a folder in the way of talk.avi
    TraceCapture trace;
    ASSERT_EQ(recorder.SaveAVI(), 0);
    const std::string first = (fs::path(temp) / (name + "1.avi")).string();
    EXPECT_EQ(settings::AVIVideoFileName.Get(), first);
    EXPECT_TRUE(trace.Contains("SaveAVI: Retrying with filename " + first + "\n"));
    EXPECT_EQ(kvtest::ReadAvi(first).audioStreams, 1);

    MakeVideo(1);
    MakeSound(1);
    settings::AVIVideoFileName.Set((dir / "out" / (name + ".avi")).string());
    fs::remove(first);
    for (int n = 1; n <= 3; ++n) fs::create_directory((fs::path(temp) / (name + std::to_string(n) + ".avi")));
    TraceCapture gaveUp;
    EXPECT_EQ(recorder.SaveAVI(), -10);
    int failures = 0;
    for (const auto& line : gaveUp.Lines()) failures += line.starts_with("SaveAVI:Unable to create new file, Error No :");
    EXPECT_EQ(failures, 4) << "the fourth failure is traced as well";
    EXPECT_TRUE(gaveUp.Contains("SaveAVI: Retrying with filename " + (fs::path(temp) / (name + "4.avi")).string()));
    EXPECT_TRUE(fs::exists(recorder.m_strTempVideoPath));
    EXPECT_TRUE(fs::exists(recorder.m_strTempSoundPath));
}

TEST_F(SaveMergeTest, WithoutSoundTheVideoIsMovedOverAnOldFile) {
    MakeVideo(1);
    g_iRecordAudio = AUDIO_SOURCE_NONE;
    std::ofstream(saved) << "an older recording";
    ASSERT_EQ(recorder.SaveAVI(), 0);
    EXPECT_FALSE(fs::exists(recorder.m_strTempVideoPath));
    const kvtest::AviReadBack back = kvtest::ReadAvi(saved);
    EXPECT_EQ(back.positions, 10);
    EXPECT_EQ(back.audioStreams, 0);
}

TEST_F(SaveMergeTest, UnreadableSoundGivesASilentVideoAndKeepsTheSoundBytes) {
    MakeVideo(1);
    std::ofstream(recorder.m_strTempSoundPath) << std::string(5000, 'x');  // no RIFF header at all
    g_iRecordAudio = AUDIO_SOURCE_MIC;
    TraceCapture trace;
    ASSERT_EQ(recorder.SaveAVI(), 0);
    EXPECT_TRUE(trace.Contains("NO SOUND TRACK"));
    EXPECT_EQ(kvtest::ReadAvi(saved).audioStreams, 0);
    EXPECT_EQ(kvtest::ReadAvi(saved).positions, 10);
    EXPECT_EQ(fs::file_size(saved + ".wav"), 5000u);

    // A sound file with a header and no sound is simply dropped.
    MakeVideo(1);
    fs::remove(saved);
    { CSoundFile empty(recorder.m_strTempSoundPath, MakePcmFormat(44100, 2, 16)); }
    fs::remove(saved + ".wav");
    ASSERT_EQ(recorder.SaveAVI(), 0);
    EXPECT_FALSE(fs::exists(recorder.m_strTempSoundPath));
    EXPECT_FALSE(fs::exists(saved + ".wav"));
}

TEST_F(SaveMergeTest, VideoWithoutFramesFailsAndKeepsBothFiles) {
    MakeVideo(0);
    MakeSound(1);
    EXPECT_EQ(recorder.SaveAVI(), -7);
    EXPECT_TRUE(fs::exists(recorder.m_strTempVideoPath));
    EXPECT_TRUE(fs::exists(recorder.m_strTempSoundPath));
    fs::remove(recorder.m_strTempVideoPath);
    EXPECT_EQ(recorder.SaveAVI(), -6);
    EXPECT_TRUE(fs::exists(recorder.m_strTempSoundPath));
}

// The merged file cannot be written (as on a full disk): picture and sound
// are kept as two files and the merged remains are removed.
TEST_F(SaveMergeTest, MergeThatCannotBeWrittenKeepsPictureAndSoundSeparately) {
    MakeVideo(10);
    MakeSound(10);
    const long limit = static_cast<long>(fs::file_size(recorder.m_strTempSoundPath)) + 1000;
    const int code = kvtest::RunWithFileSizeLimit(limit, [&] {
        TraceCapture trace;
        ClearRecordingReport();
        const int result = recorder.SaveAVI();
        if (result != 0 || !trace.Contains("CRecorder::SaveAVI() result == 5\n")) return 1;
        // The user is told, with both names.
        return GetRecordingReport().notice == "Kalvista could not merge the video with its sound. They are saved "
                                              "separately as\n" + saved + "\n" + saved + ".wav"
                   ? 0
                   : 2;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(kvtest::ReadAvi(saved).positions, 100);
    EXPECT_EQ(kvtest::ReadAvi(saved).audioStreams, 0);
    EXPECT_GT(fs::file_size(saved + ".wav"), 1'700'000u);
    EXPECT_FALSE(fs::exists(recorder.m_strTempVideoPath));
}

// A merge onto a full disk says so, and picture and sound are kept as two
// files with their names (a small tmpfs, as root).
TEST_F(SaveMergeTest, AMergeOntoAFullDiskSaysSoAndKeepsBothFiles) {
    MakeVideo(10);
    MakeSound(10);
    const fs::path small = dir / "small";
    fs::create_directories(small);
    if (::geteuid() != 0 || ::mount("kalvista-merge", small.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root (and a system that allows mounts)";
    std::string why;
    const int result = Merge_Video_And_Sound_File(recorder.m_strTempVideoPath, recorder.m_strTempSoundPath,
                                                  (small / "merged.avi").string(), &why);
    const bool leftovers = fs::exists(small / "merged.avi");
    ::umount2(small.c_str(), MNT_DETACH);
    EXPECT_EQ(result, 5);
    EXPECT_NE(why.find("No space left on device"), std::string::npos) << why;
    EXPECT_FALSE(leftovers);

    ClearRecordingReport();
    g_strSavedAviPath = saved;
    ASSERT_EQ(recorder.SaveSeparately(why), 0);
    EXPECT_EQ(GetRecordingReport().notice, "No space left on " + temp + ". Kalvista could not merge the video with its "
                                           "sound. They are saved separately as\n" + saved + "\n" + saved + ".wav");
    EXPECT_EQ(kvtest::ReadAvi(saved).positions, 100);
    EXPECT_GT(fs::file_size(saved + ".wav"), 1'700'000u);
}

// The folder a run that was killed leaves behind: private, with the lock
// file no program holds any more.
fs::path KilledRunsFolder(const std::string& name) {
    const fs::path folder = RunsFolder() / ("run-" + name);
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_all);
    std::ofstream(folder / "~run.lock").close();
    return folder;
}

// A recording killed mid-way (SIGKILL: nothing is closed or finalised) is
// rebuilt with its sound at the next start, beside the video it was meant for.
TEST_F(SaveMergeTest, ARecordingKilledMidWayIsRebuiltWithItsSoundBesideItsOutput) {
    const fs::path killed = KilledRunsFolder(name);
    recorder.m_strTempVideoPath = (killed / "~Record.avi").string();
    recorder.m_strTempSoundPath = (killed / "~Record001.wav").string();
    const std::string output = (dir / "out" / (name + ".mp4")).string();
    fs::create_directories(dir / "out");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        WriteRecordingJournal(recorder.m_strTempVideoPath, recorder.m_strTempSoundPath, output);
        g_iFrameRate = kFps;
        g_iQualityFactor = 80;
        CSoundFile wav(recorder.m_strTempSoundPath, MakePcmFormat(44100, 2, 16));
        CBuffer block(4410 * 4, true);
        CAviFile avi;
        if (avi.Initialise(recorder.m_strTempVideoPath, 324, 244, 0) == S_OK) {
            for (long position = 0; position < 30; ++position) {
                kvtest::OwnedFrame frame = kvtest::MakeNumberedFrame(static_cast<int>(position), 324, 244);
                avi.AppendNewFrame(frame.image, position);
                wav.Write(block);
            }
            // Then a still screen for three seconds, with one change.
            kvtest::OwnedFrame change = kvtest::MakeNumberedFrame(45, 324, 244);
            for (long position = 30; position < 60; ++position) {
                if (position == 45) avi.AppendNewFrame(change.image, position);
                else avi.AppendRepeatedFrame(position);
                wav.Write(block);
            }
        }
        ::raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));

    const auto recovery = RecoverInterruptedRecording();
    ASSERT_TRUE(recovery.has_value());
    const std::string recovered = (dir / "out" / (name + "-recovered.avi")).string();
    EXPECT_EQ(recovery->recovered, recovered) << recovery->problem;
    int shownAt45 = -1;
    const auto back = kvtest::ReadAvi(recovered, [&](std::int64_t position, const kv::FrameImage& picture) {
        if (position == 45) shownAt45 = kvtest::ReadFrameNumber(picture);
    });
    // Lost at most: the pictures still inside the encoder, well under 2 s;
    // the still screen's positions are kept, and its last one shows the
    // still picture, so a conversion plays to the end.
    EXPECT_GE(back.positions, 60 - 2 * kFps);
    ASSERT_GE(back.pictures.size(), static_cast<size_t>(30 - 2 * kFps));
    std::vector<std::int64_t> afterTheChange(std::find(back.pictures.begin(), back.pictures.end(), 45),
                                             back.pictures.end());
    EXPECT_EQ(afterTheChange, (std::vector<std::int64_t>{45, back.positions - 3, back.positions - 2, back.positions - 1}));
    EXPECT_EQ(shownAt45, 45);
    EXPECT_EQ(back.audioStreams, 1);
    EXPECT_GT(back.audioSeconds, 1.0);
    EXPECT_FALSE(fs::exists(killed)) << "the killed run's folder is gone with its files";
    EXPECT_FALSE(RecoverInterruptedRecording().has_value());  // done once only
    fs::remove(recovered);
}

// A journal is believed only about its own folder: one that names a file
// elsewhere is ignored, and nothing is read, moved or deleted on its word.
TEST_F(SaveMergeTest, AJournalNamingAFileOutsideItsFolderIsIgnoredAndNothingMoved) {
    MakeVideo(2);
    const fs::path killed = KilledRunsFolder(name);
    const std::string outside = recorder.m_strTempVideoPath;  // a good recording, but not the run's
    const std::string output = (dir / "out" / (name + ".mp4")).string();
    fs::create_directories(dir / "out");
    std::ofstream(killed / "~Record.avi.journal", std::ios::binary)
        << outside << '\0' << "" << '\0' << output << '\0';
    std::ofstream(killed / "~Record001.wav") << "kept";
    const auto size = fs::file_size(outside);

    EXPECT_FALSE(RecoverInterruptedRecording().has_value());
    EXPECT_TRUE(fs::exists(outside));
    EXPECT_EQ(fs::file_size(outside), size);
    EXPECT_FALSE(fs::exists(dir / "out" / (name + "-recovered.avi")));
    EXPECT_TRUE(fs::exists(killed / "~Record001.wav")) << "the folder's own files stay";
    EXPECT_FALSE(fs::exists(killed / "~Record.avi.journal"));
    fs::remove_all(killed);
}

// The run's folder: private, and removed at the end but for what the user was told is kept there.
TEST(RunFolderTest, ItIsPrivateAndGoesAtTheEndButForWhatIsKept) {
    const fs::path folder = RunFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(fs::status(folder).permissions() & (fs::perms::group_all | fs::perms::others_all), fs::perms::none);
    EXPECT_EQ(folder.parent_path(), RunsFolder());
    EXPECT_EQ(GetTempFolder("/nowhere"), folder.string());
    std::ofstream(folder / "scratch.txt") << "scratch";
    std::ofstream(folder / "kept.avi") << "kept";
    KeepInRunFolder(folder / "kept.avi");
    EXPECT_TRUE(std::find(AbandonedRuns().begin(), AbandonedRuns().end(), folder) == AbandonedRuns().end())
        << "a running program's folder is not abandoned";
    EndRunFolder();
    EXPECT_FALSE(fs::exists(folder / "scratch.txt"));
    EXPECT_TRUE(fs::exists(folder / "kept.avi"));
    EXPECT_TRUE(AbandonedRuns().empty()) << "a folder kept for the user is not a killed run's";
    const fs::path next = RunFolder();
    EXPECT_NE(next, folder);
    fs::remove_all(folder);
}

TEST(IncompleteVideo, AFullDiskIsNamedAndTheRecordingsPlaceGiven) {
    ClearRecordingReport();
    ReportIncompleteVideo("writing the file: No space left on device", "/tmp/Temp/~Record.avi", "/tmp/Temp/talk.avi");
    EXPECT_EQ(GetRecordingReport().failure,
              "No space left on /tmp/Temp. The video holds the recording up to that point.\n"
              "The recording is kept at /tmp/Temp/talk.avi");
    ReportIncompleteVideo("writing the index: File too large", "/tmp/Temp/~Record.avi", "/tmp/Temp/~Record.avi");
    EXPECT_EQ(GetRecordingReport().failure,
              "The video file could not be written in full (writing the index: File too large). The video holds "
              "the recording up to that point.\nThe recording is kept at /tmp/Temp/~Record.avi");
    EXPECT_EQ(GetRecordingReport().notice, "");
}

TEST(TempFilesTest, FoldersAndNames) {
    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir;
    const std::string temp = GetTempFolder("/nowhere");
    EXPECT_TRUE(fs::is_directory(temp));
    EXPECT_EQ(GetTempFolder("/nowhere"), temp);  // an existing folder is taken as it is

    settings::AVIVideoFileName.Set((dir / "talk.avi").string());
    CRecorder recorder;
    GetTempWavePath(&recorder);
    EXPECT_EQ(recorder.m_strTempSoundPath, (fs::path(temp) / "~Record001.wav").string());

    const char* home = std::getenv("HOME");
    const std::string previous = home ? home : "";
    setenv("HOME", dir.path().c_str(), 1);
    const std::string folder = CreateDefaultFolder();
    setenv("HOME", previous.c_str(), 1);
    EXPECT_EQ(folder, (dir / "Vodaduvud" / "Tapewell").string());
    EXPECT_TRUE(fs::is_directory(folder));
}

}  // namespace
}  // namespace kv
