// The faults of real desktops, made to happen around `kalvista --convert`:
// each run checks the exit status, what the user reads and what is kept.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

#include "platform/process/ChildProcess.h"
#include "support/RecordedFile.h"
#include "support/RunMarker.h"
#include "support/SmallDisk.h"
#include "support/SoundSource.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"
#include "support/office/TestOffice.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) { return kvtest::ReadTextFile(path); }

// The path after `prefix` on the line of `log` that starts with it; empty when none.
std::string PathAfter(const std::string& log, const std::string& prefix) {
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    return {};
}

using kvtest::SmallDisk;
constexpr const char* kNoMount = kvtest::kNoMountReason;

struct BatchRun {
    std::optional<int> status;  // nothing when it had to be ended
    std::string log;            // stdout and stderr
};

class FaultMatrix : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new kvtest::TempDir("kalvista-faults");
        s_xvfb = new kvtest::XvfbServer("1024x768x24");
        kvtest::TestOffice office;
        office.MakePresentation(*s_dir / "one.pptx", {kvtest::SlideDesign{0xC02020, 0}});
    }
    static void TearDownTestSuite() {
        delete s_xvfb;
        delete s_dir;
    }

    void SetUp() override {
        const char* binaryDir = std::getenv("KALVISTA_BINARY_DIR");
        ASSERT_NE(binaryDir, nullptr) << "run through ctest (KALVISTA_BINARY_DIR names the build)";
        kalvista = fs::path(binaryDir) / "src/app/kalvista";
        ASSERT_TRUE(fs::exists(kalvista)) << kalvista;
        sound.SetTone(44100, 2, 16, 440.0, 120);
        fs::create_directories(dir / "run");
        fs::permissions(dir / "run", fs::perms::owner_all);
        presentation = s_dir->path() / "one.pptx";
    }

    // Starts a batch run of the presentation; `environment` adds to or replaces ours.
    kv::ChildProcess Start(const fs::path& output, const std::string& format, std::vector<std::string> environment,
                           const std::string& seconds = "1", bool withSound = false) {
        kv::SpawnOptions options;
        options.outputFile = dir / "kalvista.log";
        options.newProcessGroup = true;
        options.environment = {"KALVISTA_REGISTRY=" + (dir / "settings.reg").string(),
                               "XDG_RUNTIME_DIR=" + (dir / "run").string(), "HOME=" + dir.path().string(),
                               "XDG_CACHE_HOME=" + (dir / "cache").string(),
                               "KALVISTA_TRACE=" + trace.string(), marker};
        options.environment.insert(options.environment.end(), environment.begin(), environment.end());
        std::vector<std::string> argv = {kalvista.string(), "--convert", presentation.string(),
                                         "--output", output.string(), "--format", format, "--mode", "auto",
                                         "--seconds", seconds, "--size", "320x240", "--fps", "10"};
        if (withSound) argv.insert(argv.end(), {"--sound", "default"});
        else argv.push_back("--no-sound");
        return kv::ChildProcess::Spawn(argv, options);
    }

    // Waits until the run's trace holds `line`; false when the run ended first.
    bool WaitForTrace(kv::ChildProcess& child, const char* line) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(150);
        while (ReadText(trace).find(line) == std::string::npos) {
            if (!child.Running() || std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

    // Where the runs' private folders are made (each run's temporary files
    // in one of them), so it can be put on a disk of the test's choosing.
    fs::path RunsFolder() {
        const fs::path folder = dir / "cache" / "Kalvista" / "runs";
        fs::create_directories(folder);
        return folder;
    }

    // The run's own folder, as its line starting with `prefix` names it; empty when none does.
    static std::string RunFolderNamed(const BatchRun& run, const std::string& prefix, const fs::path& runs) {
        const std::size_t at = run.log.find(prefix + runs.string() + "/run-");
        if (at == std::string::npos) return {};
        return run.log.substr(at + prefix.size(), runs.string().size() + 11);  // "/run-" and six random letters
    }

    BatchRun Finish(kv::ChildProcess& child) {
        BatchRun run;
        if (!child.Started()) return run;
        run.status = child.Wait(150000);
        if (!run.status) child.Terminate(2000);
        run.log = ReadText(dir / "kalvista.log");
        return run;
    }

    BatchRun Convert(const fs::path& output, const std::string& format, std::vector<std::string> environment = {}) {
        kv::ChildProcess child = Start(output, format, std::move(environment));
        return Finish(child);
    }

    // Ends what a killed run left running (its office), found by the marker in their environment.
    void EndLeftovers() {
        for (pid_t pid : kvtest::ProcessesWithMarker(marker)) ::kill(pid, SIGKILL);
    }

    // A PATH whose first folder holds an ffmpeg made of `script`.
    std::string PathWithFfmpeg(const std::string& script) {
        const fs::path folder = dir / "fake-bin";
        fs::create_directories(folder);
        std::ofstream(folder / "ffmpeg") << "#!/bin/sh\n" << script << "\n";
        fs::permissions(folder / "ffmpeg", fs::perms::owner_all);
        return "PATH=" + folder.string() + ":" + std::getenv("PATH");
    }

    // The recording a failed run names as kept, checked to be there and whole.
    void ExpectRecordingKept(const BatchRun& run) {
        const std::string kept = PathAfter(run.log, "kalvista: The recording is kept at ");
        ASSERT_FALSE(kept.empty()) << run.log;
        EXPECT_TRUE(fs::exists(kept)) << kept;
        EXPECT_GT(fs::file_size(kept), 1000u);
    }

    // The run says it stopped the recording as its folder in `runs` fell below the room it
    // keeps free; how far below depends on when the check met the filling disk.
    static void ExpectStoppedForWantOfRoom(const BatchRun& run, const fs::path& runs) {
        const std::string prefix = "kalvista: The recording was stopped: only ";
        const std::size_t start = run.log.find(prefix);
        ASSERT_NE(start, std::string::npos) << run.log;
        const std::string line = run.log.substr(start, run.log.find('\n', start) - start);
        EXPECT_LT(std::stoi(line.substr(prefix.size())), 200) << line;
        EXPECT_NE(line.find(" MB are left in " + runs.string() + "/run-"), std::string::npos) << line;
        EXPECT_NE(line.find(", and 200 MB are kept free. The video holds the recording up to that point."),
                  std::string::npos)
            << line;
    }

    inline static kvtest::TempDir* s_dir = nullptr;
    inline static kvtest::XvfbServer* s_xvfb = nullptr;
    kvtest::TempDir dir{"kalvista-fault"};
    kvtest::TestSoundSource sound;
    fs::path kalvista;
    fs::path presentation;  // what Start converts
    const fs::path trace = dir / "trace.txt";
    const std::string marker = "KALVISTA_FAULT_RUN=" + std::to_string(::getpid()) + "-" +
                               std::to_string(std::random_device{}());
};

TEST_F(FaultMatrix, ARecordingKilledMidShowIsRecoveredWithItsSoundAtTheNextStart) {
    kv::ChildProcess first = Start(dir / "talk.mp4", "MP4", {}, "20", true);
    ASSERT_TRUE(first.Started());
    // As long as a whole run may take: the office's first start on a loaded machine is slow.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(150);
    while (ReadText(trace).find("----g_iRecordAudio == AUDIO_SOURCE_MIC") == std::string::npos) {
        ASSERT_TRUE(first.Running() && std::chrono::steady_clock::now() < deadline) << ReadText(dir / "kalvista.log");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const auto recording = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(4));
    ::kill(first.Pid(), SIGKILL);
    const double recorded = std::chrono::duration<double>(std::chrono::steady_clock::now() - recording).count();
    first.Wait(5000);
    EndLeftovers();

    // The next start rebuilds it before it records anything itself.
    const BatchRun second = Convert(dir / "again.avi", "AVI");
    ASSERT_TRUE(second.status.has_value()) << second.log;
    EXPECT_EQ(*second.status, 0) << second.log;
    const fs::path recovered = dir / "talk-recovered.avi";
    EXPECT_NE(second.log.find("kalvista: recovered an interrupted recording: " + recovered.string() + "\n"),
              std::string::npos)
        << second.log;
    const kvtest::RecordedFile video = kvtest::ReadRecordedFile(recovered.string());
    ASSERT_TRUE(video.opened);
    EXPECT_GT(video.VideoSeconds(), recorded - 2.0) << "recorded for " << recorded << " s";
    EXPECT_GT(video.audioSeconds, recorded - 2.0) << "recorded for " << recorded << " s";
    EXPECT_GT(fs::file_size(dir / "again.avi"), 1000u);  // and the new run made its own video
}

TEST_F(FaultMatrix, AFailingFfmpegIsNamedWithItsLastErrorAndTheRecordingKept) {
    const BatchRun run = Convert(dir / "talk.mp4", "MP4",
                            {PathWithFfmpeg("echo 'Unknown encoder libnothing' >&2\necho 'Conversion failed!' >&2\n"
                                            "exit 1")});
    ASSERT_TRUE(run.status.has_value()) << run.log;
    EXPECT_NE(*run.status, 0);
    EXPECT_NE(run.log.find("kalvista: Conversion failed: Unknown encoder libnothing\n"), std::string::npos) << run.log;
    ExpectRecordingKept(run);
    EXPECT_FALSE(fs::exists(dir / "talk.mp4"));
}

TEST_F(FaultMatrix, AHangingFfmpegIsEndedAtItsTimeLimitNamedAndTheRecordingKept) {
    const auto started = std::chrono::steady_clock::now();
    const BatchRun run = Convert(dir / "talk.mp4", "MP4",
                                 {PathWithFfmpeg("echo 'frame=    1' >&2\nexec sleep 600"),
                                  "KALVISTA_CONVERTER_TIME_LIMIT_MS=2000"});
    ASSERT_TRUE(run.status.has_value()) << run.log;
    EXPECT_NE(*run.status, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(140));
    EXPECT_NE(run.log.find("kalvista: Conversion failed: ffmpeg did not finish within 2 s\n"), std::string::npos)
        << run.log;
    ExpectRecordingKept(run);
    EXPECT_FALSE(fs::exists(dir / "talk.mp4"));
}

TEST_F(FaultMatrix, AMissingFfmpegIsNamedAndTheRecordingKept) {
    // Everything of the system's programs but ffmpeg.
    const fs::path folder = dir / "no-ffmpeg";
    fs::create_directories(folder);
    for (const char* system : {"/usr/bin", "/bin"})
        for (const auto& entry : fs::directory_iterator(system)) {
            std::error_code exists;
            if (entry.path().filename() != "ffmpeg") fs::create_symlink(entry.path(), folder / entry.path().filename(), exists);
        }
    const BatchRun run = Convert(dir / "talk.mov", "MOV", {"PATH=" + folder.string()});
    ASSERT_TRUE(run.status.has_value()) << run.log;
    EXPECT_NE(*run.status, 0);
    EXPECT_NE(run.log.find("kalvista: Conversion failed: ffmpeg was not found in "), std::string::npos) << run.log;
    ExpectRecordingKept(run);
}

TEST_F(FaultMatrix, AFullOutputDiskIsNamedAndTheRecordingKept) {
    const fs::path full = dir / "small disk";
    const SmallDisk disk(full, "64k");
    if (!disk.Mounted()) GTEST_SKIP() << kNoMount;
    // The disk fills once the recording has started (it had room for the show).
    kv::ChildProcess child = Start(full / "talk.avi", "AVI", {});
    ASSERT_TRUE(WaitForTrace(child, "RecordVideo --- Recording clock started")) << ReadText(dir / "kalvista.log");
    disk.Fill(60 * 1024);
    const BatchRun run = Finish(child);
    EndLeftovers();
    ASSERT_TRUE(run.status.has_value()) << run.log;
    EXPECT_NE(*run.status, 0);
    EXPECT_NE(run.log.find("kalvista: Conversion failed: No space left on " + full.string() + "\n"), std::string::npos)
        << run.log;
    ExpectRecordingKept(run);
}

TEST_F(FaultMatrix, ASmallTemporaryDiskRefusesTheRecordingBeforeItStarts) {
    const fs::path runs = RunsFolder();
    const SmallDisk disk(runs, "1m");
    if (!disk.Mounted()) GTEST_SKIP() << kNoMount;
    const BatchRun run = Convert(dir / "talk.mp4", "MP4");
    EndLeftovers();
    ASSERT_TRUE(run.status.has_value()) << run.log;
    EXPECT_NE(*run.status, 0);
    // The run's own folder holds the office's scratch too: what is left of the 1 MB.
    const std::string temp = RunFolderNamed(run, "kalvista: Not enough disk space in ", runs);
    ASSERT_FALSE(temp.empty()) << run.log;
    const std::string refusal = "kalvista: Not enough disk space in " + temp + ": ";
    const std::size_t at = run.log.find(refusal);
    ASSERT_NE(at, std::string::npos) << run.log;
    EXPECT_LE(std::stoi(run.log.substr(at + refusal.size())), 1) << run.log;
    EXPECT_NE(run.log.find(" MB free, about 201 MB needed\n", at), std::string::npos) << run.log;
    EXPECT_FALSE(fs::exists(dir / "talk.mp4"));
}

TEST_F(FaultMatrix, ATemporaryDiskFillingUpStopsTheRecordingAndKeepsWhatWasRecorded) {
    const fs::path runs = RunsFolder();
    const SmallDisk disk(runs, "300m");
    if (!disk.Mounted()) GTEST_SKIP() << kNoMount;
    kv::ChildProcess child = Start(dir / "talk.mp4", "MP4", {}, "20");
    ASSERT_TRUE(WaitForTrace(child, "RecordVideo --- Recording clock started")) << ReadText(dir / "kalvista.log");
    std::this_thread::sleep_for(std::chrono::seconds(2));
    disk.Fill(150 << 20);  // leaves 157 MB, below the 200 MB kept free
    const BatchRun run = Finish(child);
    EndLeftovers();
    ASSERT_TRUE(run.status.has_value()) << run.log;
    EXPECT_NE(*run.status, 0);
    ExpectStoppedForWantOfRoom(run, runs);
    const kvtest::RecordedFile video = kvtest::ReadRecordedFile((dir / "talk.mp4").string());
    ASSERT_TRUE(video.opened) << run.log;
    EXPECT_GT(video.VideoSeconds(), 1.5);
    EXPECT_LT(video.VideoSeconds(), 10.0);
}

TEST_F(FaultMatrix, AMergeOntoAFullTemporaryDiskKeepsPictureAndSoundAsTwoNamedFiles) {
    const fs::path runs = RunsFolder();
    const SmallDisk disk(runs, "300m");
    if (!disk.Mounted()) GTEST_SKIP() << kNoMount;
    kv::ChildProcess child = Start(dir / "talk.mp4", "MP4", {}, "20", true);
    ASSERT_TRUE(WaitForTrace(child, "RecordVideo --- Recording clock started")) << ReadText(dir / "kalvista.log");
    std::this_thread::sleep_for(std::chrono::seconds(5));
    // Room for the second of recording until the disk check stops it, not
    // for the merge's copy of the five seconds recorded.
    disk.FillUpTo(600 * 1000);
    const BatchRun run = Finish(child);
    EndLeftovers();
    ASSERT_TRUE(run.status.has_value()) << run.log;
    EXPECT_NE(*run.status, 0);
    const fs::path temp = RunFolderNamed(run, "kalvista: warning: No space left on ", runs);
    ASSERT_FALSE(temp.empty()) << run.log;
    const fs::path video = temp / "talk.avi";
    ExpectStoppedForWantOfRoom(run, runs);
    EXPECT_NE(run.log.find("kalvista: warning: No space left on " + temp.string() +
                           ". Kalvista could not merge the video with its sound. They are saved separately as\n" +
                           video.string() + "\n" + video.string() + ".wav\n"),
              std::string::npos)
        << run.log;
    const kvtest::RecordedFile picture = kvtest::ReadRecordedFile(video.string());
    ASSERT_TRUE(picture.opened);
    EXPECT_GT(picture.VideoSeconds(), 4.0);
    EXPECT_LT(picture.audioSeconds, 0) << "the picture alone";
    EXPECT_GT(fs::file_size(video.string() + ".wav"), 4 * 176400u) << "five seconds of sound";
    EXPECT_GT(kvtest::ReadRecordedFile((dir / "talk.mp4").string()).VideoSeconds(), 4.0) << "converted all the same";
}

TEST_F(FaultMatrix, AReadOnlyOutputFolderIsNamedAndTheRecordingKept) {
    // Root writes through permissions: a read-only bind mount stops it too.
    const fs::path folder = dir / "read only";
    fs::create_directories(folder);
    if (::geteuid() != 0 || ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        ::mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
        ::umount2(folder.c_str(), MNT_DETACH);
        GTEST_SKIP() << "a read-only bind mount needs root (and a system that allows mounts)";
    }
    const BatchRun run = Convert(folder / "talk.avi", "AVI");
    EndLeftovers();
    ::umount2(folder.c_str(), MNT_DETACH);
    ASSERT_TRUE(run.status.has_value()) << run.log;
    EXPECT_NE(*run.status, 0);
    EXPECT_NE(run.log.find("kalvista: Conversion failed: " + (folder / "talk.avi").string() + ": Read-only file system\n"),
              std::string::npos)
        << run.log;
    EXPECT_FALSE(fs::exists(folder / "talk.avi"));
    ExpectRecordingKept(run);
}

TEST_F(FaultMatrix, APresentationDeletedWhileItIsRecordedStillGivesTheVideo) {
    // The office holds the show it plays: the file going away changes nothing.
    presentation = dir / "gone.pptx";
    fs::copy_file(s_dir->path() / "one.pptx", presentation);
    kv::ChildProcess child = Start(dir / "talk.avi", "AVI", {}, "2");
    ASSERT_TRUE(child.Started());
    ASSERT_TRUE(WaitForTrace(child, "RecordAVI Thread Started")) << ReadText(dir / "kalvista.log");
    ASSERT_TRUE(fs::remove(presentation));
    EXPECT_TRUE(child.Running()) << "the run ended before the presentation was deleted";
    const BatchRun run = Finish(child);
    ASSERT_TRUE(run.status.has_value()) << run.log;
    EXPECT_EQ(*run.status, 0) << run.log;
    const kvtest::RecordedFile video = kvtest::ReadRecordedFile((dir / "talk.avi").string());
    ASSERT_TRUE(video.opened);
    EXPECT_GT(video.VideoSeconds(), 1.0);
}

TEST_F(FaultMatrix, AGarbageSettingsFileAndAnOddOutputPathStillGiveTheVideo) {
    std::string garbage(64 * 1024, '\0');
    std::mt19937 random(7);
    for (char& c : garbage) c = static_cast<char>(random());
    std::ofstream(dir / "settings.reg", std::ios::binary) << "Windows Registry Editor Version 5.00\n\n[SOFT" << garbage;
    const fs::path odd = dir / "Talks 'q' \"d\"\nnew Ünïcødé";
    fs::create_directories(odd);
    const BatchRun run = Convert(odd / "talk $x.mp4", "MP4");
    ASSERT_TRUE(run.status.has_value()) << run.log;
    EXPECT_EQ(*run.status, 0) << run.log;
    EXPECT_GT(fs::file_size(odd / "talk $x.mp4"), 1000u);
    bool keptACopy = false;
    for (const auto& entry : fs::directory_iterator(dir.path()))
        keptACopy |= entry.path().filename().string().rfind("settings.reg.corrupt-", 0) == 0;
    EXPECT_TRUE(keptACopy) << "the damaged settings were not copied aside";
}

}  // namespace
