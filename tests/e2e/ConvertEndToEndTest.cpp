// The whole road with real parts: `kalvista --convert` under a private X
// server plays a presentation made by the office itself in the container,
// records it with sound from the test source, converts it to MP4 and ends
// with nothing left running.
#include <gtest/gtest.h>
#include <unistd.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

#include "support/office/TestOffice.h"
#include "platform/process/ChildProcess.h"
#include "support/RecordedFile.h"
#include "support/RunMarker.h"
#include "support/SoundSource.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"

namespace {

namespace fs = std::filesystem;

using kvtest::ProcessesWithMarker;

std::string ReadText(const fs::path& path) { return kvtest::ReadTextFile(path); }

// The slide colour a picture shows at its centre: 'R', 'G', 'B', or '?' for
// anything else (black screen, a transition).
char CentreColour(const kv::FrameImage& picture) {
    const std::uint8_t* p = picture.Row(picture.height / 2) + 4 * (picture.width / 2);
    const int b = p[0], g = p[1], r = p[2];
    if (r > 150 && g < 90 && b < 90) return 'R';
    if (g > 120 && r < 90 && b < 110) return 'G';
    if (b > 150 && r < 90 && g < 120) return 'B';
    return '?';
}

// Reads a video back; `colours` gets the slide colours it shows, in order.
kvtest::RecordedFile ReadSlideColours(const fs::path& video, std::string& colours) {
    return kvtest::ReadRecordedFile(video.string(), [&](std::int64_t, const kv::FrameImage& picture) {
        const char c = CentreColour(picture);
        if (c != '?' && (colours.empty() || colours.back() != c)) colours += c;
    });
}

// `kalvista --convert` on a three-colour presentation made by the office,
// with sound from the test source, in a private X server; every process it
// starts carries a marker, so what is left of a run can be found.
class ConvertEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        const char* binaryDir = std::getenv("KALVISTA_BINARY_DIR");
        ASSERT_NE(binaryDir, nullptr) << "run through ctest (KALVISTA_BINARY_DIR names the build)";
        kalvista = fs::path(binaryDir) / "src/app/kalvista";
        ASSERT_TRUE(fs::exists(kalvista)) << kalvista;
        kvtest::TestOffice office;
        office.MakePresentationWithTexts(talk, kvtest::TestOffice::ThreeColours(),
                                         {"Red start\nof the talk", "Green middle", "Blue end"});
        sound.SetTone(44100, 2, 16, 440.0, 120);
        fs::create_directories(dir / "run");
    }

    kv::ChildProcess Start(const std::string& seconds, const std::string& size = "640x480",
                           std::vector<std::string> environment = {}) {
        kv::SpawnOptions options;
        options.outputFile = dir / "kalvista.log";
        options.newProcessGroup = true;
        options.environment = {"KALVISTA_REGISTRY=" + (dir / "settings.reg").string(),
                               "XDG_RUNTIME_DIR=" + (dir / "run").string(), "KALVISTA_TRACE=" + trace.string(),
                               marker};
        options.environment.insert(options.environment.end(), environment.begin(), environment.end());
        return kv::ChildProcess::Spawn({kalvista.string(), "--convert", talk.string(), "--output", output.string(),
                                        "--mode", "auto", "--seconds", seconds, "--size", size, "--fps", "10",
                                        "--sound", "default"},
                                       options);
    }

    // The exit status, or nothing when the run had to be ended.
    std::optional<int> Finish(kv::ChildProcess& run) {
        auto status = run.Wait(150000);
        if (!status) run.Terminate(2000);
        log = ReadText(dir / "kalvista.log");
        return status;
    }

    // Nothing of the run is left: not the office it started, not a converter.
    void ExpectNothingLeft() {
        std::vector<pid_t> left;
        for (int i = 0; i < 50 && !(left = ProcessesWithMarker(marker)).empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_TRUE(left.empty()) << left.size() << " processes of the run are still running";
    }

    kvtest::XvfbServer xvfb{"1280x1024x24"};
    kvtest::TempDir dir{"kalvista-e2e"};
    kvtest::TestSoundSource sound;
    fs::path kalvista;
    const fs::path talk = dir / "colours.pptx";
    const fs::path output = dir / "colours.mp4";
    const fs::path trace = dir / "trace.txt";
    const std::string marker =
        "KALVISTA_E2E_RUN=" + std::to_string(::getpid()) + "-" + std::to_string(std::random_device{}());
    std::string log;
};

TEST_F(ConvertEndToEnd, RealPresentationBecomesAVideoOfItsSlidesInOrder) {
    const auto started = std::chrono::steady_clock::now();
    kv::ChildProcess run = Start("1");
    ASSERT_TRUE(run.Started());
    const auto status = Finish(run);
    ASSERT_TRUE(status.has_value()) << "kalvista did not finish in time\n" << log;
    EXPECT_EQ(*status, 0) << log;
    EXPECT_NE(log.find("Video: " + output.string()), std::string::npos) << log;
    // Its output is a file here: no progress line, no carriage returns.
    EXPECT_EQ(log.find(" left"), std::string::npos) << log;
    EXPECT_EQ(log.find('\r'), std::string::npos) << log;
    std::printf("[ e2e      ] conversion took %.1f s\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());

    // The container handed over to the conversion dialog, which ran to its end.
    EXPECT_NE(ReadText(trace).find("Wait dialog ended\n"), std::string::npos);

    std::string colours;
    const kvtest::RecordedFile video = ReadSlideColours(output, colours);
    ASSERT_TRUE(video.opened);
    EXPECT_EQ(colours, "RGB");
    EXPECT_NEAR(video.VideoSeconds(), 3.0, 0.5);
    EXPECT_NEAR(video.audioSeconds, video.VideoSeconds(), 0.5);
    EXPECT_EQ(video.width, 640);
    EXPECT_EQ(video.height, 480);

    // A chapter per slide, titled by its topmost text, where the slide began.
    std::string chapters;
    kv::SpawnOptions probeOptions;
    probeOptions.outputFile = dir / "chapters.csv";
    kv::ChildProcess probe = kv::ChildProcess::Spawn(
        {"ffprobe", "-v", "error", "-show_entries", "chapter=start_time:chapter_tags=title", "-of", "csv=p=0",
         output.string()},
        probeOptions);
    ASSERT_TRUE(probe.Started());
    EXPECT_EQ(probe.Wait(30000).value_or(-1), 0);
    std::istringstream rows(ReadText(dir / "chapters.csv"));
    std::vector<std::string> titles;
    std::vector<double> starts;
    for (std::string row; std::getline(rows, row);) {
        starts.push_back(std::atof(row.c_str()));
        titles.push_back(row.substr(row.find(',') + 1));
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Red start", "Green middle", "Blue end"}));
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_NEAR(starts[0], 0.0, 0.01);
    EXPECT_NEAR(starts[1], 1.0, 0.4);
    EXPECT_NEAR(starts[2], 2.0, 0.4);
    const std::string list = ReadText(dir / "colours.chapters.txt");
    EXPECT_EQ(list.rfind("0:00 Red start\n", 0), 0u) << list;
    EXPECT_NE(list.find(" Blue end\n"), std::string::npos) << list;

    ExpectNothingLeft();
}

// Without a display the run starts its own, large enough for a size beyond
// this test's screen plus the toolbar; the terminal shows only our lines
// (no ALSA or Qt remarks, although XDG_RUNTIME_DIR is not set).
TEST_F(ConvertEndToEnd, WithoutADisplayTheVideoIsExactlyTheSizeAskedAndTheTerminalQuiet) {
    kv::ChildProcess run = Start("1", "1600x1200", {"DISPLAY=", "XDG_RUNTIME_DIR="});
    ASSERT_TRUE(run.Started());
    const auto status = Finish(run);
    ASSERT_TRUE(status.has_value()) << "kalvista did not finish in time\n" << log;
    EXPECT_EQ(*status, 0) << log;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(line.rfind("Video: ", 0) == 0 || line.rfind("kalvista: ", 0) == 0) << line;
    EXPECT_NE(ReadText(trace).find("Private X server on :"), std::string::npos);

    std::string colours;
    const kvtest::RecordedFile video = ReadSlideColours(output, colours);
    ASSERT_TRUE(video.opened);
    EXPECT_EQ(colours, "RGB");
    EXPECT_EQ(video.width, 1600);
    EXPECT_EQ(video.height, 1200);
    ExpectNothingLeft();
}

TEST_F(ConvertEndToEnd, AnOfficeThatDiesMidShowStillGivesTheVideoSoFarAndSaysSo) {
    kv::ChildProcess run = Start("4");
    ASSERT_TRUE(run.Started());
    // Once the second slide is on, the office dies.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
    while (ReadText(trace).find("Office show clock: slide 1 has had its time") == std::string::npos) {
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << ReadText(trace);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    int killed = 0;
    for (pid_t pid : ProcessesWithMarker(marker))
        if (ReadText("/proc/" + std::to_string(pid) + "/comm").starts_with("soffice")) killed += ::kill(pid, SIGKILL) == 0;
    ASSERT_GT(killed, 0) << "no office process of the run found";

    const auto status = Finish(run);
    ASSERT_TRUE(status.has_value()) << "kalvista did not finish in time\n" << log;
    EXPECT_NE(*status, 0) << log;  // the video is not the whole show
    EXPECT_NE(log.find("ended early"), std::string::npos) << log << ReadText(trace);

    std::string colours;
    const kvtest::RecordedFile video = ReadSlideColours(output, colours);
    ASSERT_TRUE(video.opened) << "the recording so far was not converted\n" << log;
    EXPECT_EQ(colours.substr(0, 2), "RG");
    EXPECT_GT(video.VideoSeconds(), 4.0);
    EXPECT_GT(video.audioSeconds, 4.0);
    ExpectNothingLeft();
}

}  // namespace
