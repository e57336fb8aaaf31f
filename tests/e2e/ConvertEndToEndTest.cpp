// The whole road with real parts: `kalvista --convert` under a private X
// server plays a presentation made by the office itself in the container,
// records it with sound from the test source, converts it to MP4 and ends
// with nothing left running.
#include <gtest/gtest.h>
#include <unistd.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

#include "support/OoxmlDeck.h"
#include "support/office/TestOffice.h"
#include "platform/process/ChildProcess.h"
#include "support/RecordedFile.h"
#include "support/RunMarker.h"
#include "support/SoundSource.h"
#include "support/TempDir.h"
#include "support/Weston.h"
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

struct PlayerView;

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
        return StartOn(talk, output, {"--seconds", seconds, "--size", size}, std::move(environment));
    }

    kv::ChildProcess StartOn(const fs::path& deck, const fs::path& video, std::vector<std::string> arguments,
                             std::vector<std::string> environment = {}) {
        return StartDecks({deck}, video, std::move(arguments), std::move(environment));
    }

    kv::ChildProcess StartDecks(const std::vector<fs::path>& decks, const fs::path& video,
                                std::vector<std::string> arguments, std::vector<std::string> environment = {}) {
        kv::SpawnOptions options;
        options.outputFile = dir / "kalvista.log";
        options.newProcessGroup = true;
        options.environment = {"KALVISTA_REGISTRY=" + (dir / "settings.reg").string(),
                               "XDG_RUNTIME_DIR=" + (dir / "run").string(), "KALVISTA_TRACE=" + trace.string(),
                               marker};
        options.environment.insert(options.environment.end(), environment.begin(), environment.end());
        std::vector<std::string> argv{kalvista.string(), "--convert"};
        for (const fs::path& deck : decks) argv.push_back(deck.string());
        argv.insert(argv.end(), {"--output", video.string(), "--mode", "auto", "--fps", "10", "--sound", "default"});
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return kv::ChildProcess::Spawn(argv, options);
    }

    // Converts `deck` with its notes as subtitles (1 s a slide); `view` gets
    // what a player sees in the video.
    void ConvertWithSubtitles(const fs::path& deck, const fs::path& video, PlayerView& view);

    // Converts a one-slide deck whose slide plays a 660 Hz sound; the video
    // holds it.
    void ExpectTheSlidesSoundRecorded(const fs::path& deck);

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

// What a player sees in a video: "stream|codec_type=..|codec_name=..|profile=..|pix_fmt=.." and
// "chapter|start_time=..|tag:title=.." lines, then its subtitles as SubRip.
struct PlayerView {
    std::vector<std::string> streams;
    std::vector<double> chapterStarts;
    std::vector<std::string> chapterTitles;
    std::string subtitles;
};

PlayerView Probe(const fs::path& video, const fs::path& scratch) {
    PlayerView view;
    fs::remove(scratch / "probe.txt");
    fs::remove(scratch / "cues.srt");
    kv::SpawnOptions options;
    options.outputFile = scratch / "probe.txt";
    kv::ChildProcess probe = kv::ChildProcess::Spawn(
        {"ffprobe", "-v", "error", "-show_entries",
         "stream=codec_type,codec_name,profile,pix_fmt:chapter=start_time:chapter_tags=title", "-of", "compact",
         video.string()},
        options);
    EXPECT_EQ(probe.Started() ? probe.Wait(30000).value_or(-1) : -1, 0);
    std::istringstream rows(ReadText(scratch / "probe.txt"));
    for (std::string row; std::getline(rows, row);) {
        if (row.rfind("stream|", 0) == 0) {
            view.streams.push_back(row);
        } else if (row.rfind("chapter|", 0) == 0) {
            view.chapterStarts.push_back(std::atof(row.c_str() + row.find("start_time=") + 11));
            view.chapterTitles.push_back(row.substr(row.find("tag:title=") + 10));
        }
    }
    options.outputFile = scratch / "subtitles.log";
    kv::ChildProcess cues = kv::ChildProcess::Spawn(
        {"ffmpeg", "-v", "error", "-y", "-i", video.string(), "-map", "0:s:0", "-f", "srt", (scratch / "cues.srt").string()},
        options);
    EXPECT_EQ(cues.Started() ? cues.Wait(30000).value_or(-1) : -1, 0) << ReadText(scratch / "subtitles.log");
    view.subtitles = ReadText(scratch / "cues.srt");
    return view;
}

void ConvertEndToEnd::ConvertWithSubtitles(const fs::path& deck, const fs::path& video, PlayerView& view) {
    kv::ChildProcess run = StartOn(deck, video, {"--seconds", "1", "--size", "640x480", "--subtitles"});
    ASSERT_TRUE(run.Started());
    const auto status = Finish(run);
    ASSERT_TRUE(status.has_value()) << "kalvista did not finish in time\n" << log;
    ASSERT_EQ(*status, 0) << log;
    view = Probe(video, dir.path());
}

bool HasStream(const PlayerView& view, const std::string& wanted) {
    return std::any_of(view.streams.begin(), view.streams.end(),
                       [&](const std::string& s) { return s.find(wanted) != std::string::npos; });
}

// Seconds of a SubRip time "hh:mm:ss,mmm".
double CueSeconds(const std::string& time) {
    return std::stoi(time.substr(0, 2)) * 3600 + std::stoi(time.substr(3, 2)) * 60 + std::stoi(time.substr(6, 2)) +
           std::stoi(time.substr(9, 3)) / 1000.0;
}

struct SubtitleCue {
    double start, end;
    std::string text;  // its lines joined by '\n'
};

// The cues of a SubRip text (ffmpeg ends a cue's lines in CR LF).
std::vector<SubtitleCue> ReadCues(std::string srt) {
    srt.erase(std::remove(srt.begin(), srt.end(), '\r'), srt.end());
    std::vector<SubtitleCue> cues;
    std::istringstream lines(srt);
    for (std::string line; std::getline(lines, line);) {
        const size_t arrow = line.find(" --> ");
        if (arrow == std::string::npos) continue;
        SubtitleCue cue{CueSeconds(line.substr(0, 12)), CueSeconds(line.substr(arrow + 5, 12)), {}};
        while (std::getline(lines, line) && !line.empty()) cue.text += (cue.text.empty() ? "" : "\n") + line;
        cues.push_back(cue);
    }
    return cues;
}

// Each chapter after the first starts where the picture changes to its
// slide (10 fps: within a frame and a poll).
void ExpectChaptersWhereTheSlidesChange(const fs::path& video, const PlayerView& view) {
    std::vector<double> changes;
    char last = 0;
    const kvtest::RecordedFile frames =
        kvtest::ReadRecordedFile(video.string(), [&](std::int64_t position, const kv::FrameImage& picture) {
            const char colour = CentreColour(picture);
            if (colour != '?' && colour != last) changes.push_back(static_cast<double>(position));
            if (colour != '?') last = colour;
        });
    ASSERT_TRUE(frames.opened);
    ASSERT_EQ(changes.size(), view.chapterStarts.size());
    for (size_t k = 1; k < changes.size(); ++k)
        EXPECT_NEAR(changes[k] / frames.frameRate, view.chapterStarts[k], 0.2) << k;
}

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

// Chapter start times of a video, in order.
std::vector<double> ChapterStarts(const fs::path& video, const fs::path& scratch) {
    kv::SpawnOptions options;
    options.outputFile = scratch / "starts.csv";
    kv::ChildProcess probe = kv::ChildProcess::Spawn(
        {"ffprobe", "-v", "error", "-show_entries", "chapter=start_time", "-of", "csv=p=0", video.string()}, options);
    EXPECT_EQ(probe.Started() ? probe.Wait(30000).value_or(-1) : -1, 0);
    std::vector<double> starts;
    std::istringstream rows(ReadText(scratch / "starts.csv"));
    for (std::string row; std::getline(rows, row);) starts.push_back(std::atof(row.c_str()));
    return starts;
}

// The presentation's own timings in batch mode: a timed slide keeps its time;
// one that waits for a click (no timing, or the office's "effects by
// themselves, slide on click" with a time set) moves on after --seconds.
TEST_F(ConvertEndToEnd, OwnTimingsInBatchGiveClickOnlySlidesTheSecondsPerSlide) {
    const fs::path deck = dir / "mixed.odp";
    const fs::path video = dir / "mixed.mp4";
    {
        kvtest::TestOffice office;
        std::vector<kvtest::SlideDesign> slides = kvtest::TestOffice::ThreeColours();
        slides[0].advanceSeconds = 1;
        slides[1].advanceSeconds = 4;
        slides[1].clickDespiteTime = true;
        office.MakePresentationWithTexts(deck, slides, {"Timed", "Effects then click", "Click only"});
    }
    kv::ChildProcess run = StartOn(deck, video, {"--mode", "timings", "--seconds", "2", "--size", "320x240"});
    ASSERT_TRUE(run.Started());
    const auto status = Finish(run);
    ASSERT_TRUE(status.has_value()) << "a click-only slide waited\n" << log;
    EXPECT_EQ(*status, 0) << log;
    std::string colours;
    const kvtest::RecordedFile recorded = ReadSlideColours(video, colours);
    EXPECT_EQ(colours, "RGB");
    EXPECT_NEAR(recorded.VideoSeconds(), 5.0, 0.6);
    const std::vector<double> starts = ChapterStarts(video, dir.path());
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_NEAR(starts[1], 1.0, 0.4) << "the timed slide's own second";
    EXPECT_NEAR(starts[2], 3.0, 0.4) << "the click-on slide held for --seconds, not its 4 s";
}

size_t Occurrences(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

// Several presentations recorded in one call: the runs share one office,
// started once (and afresh after the run that failed); a broken presentation
// among them fails alone.
TEST_F(ConvertEndToEnd, SeveralRecordedPresentationsShareOneOfficeAndABrokenOneStopsNone) {
    const fs::path second = dir / "second.pptx";
    fs::copy_file(talk, second);
    const fs::path broken = dir / "broken.pptx";
    { std::ofstream(broken) << "not a presentation"; }
    const fs::path videos = dir / "videos";
    fs::create_directories(videos);
    kv::ChildProcess run = StartDecks({talk, broken, second}, videos, {"--seconds", "1", "--size", "320x240"});
    ASSERT_TRUE(run.Started());
    const auto status = Finish(run);
    ASSERT_TRUE(status.has_value()) << "kalvista did not finish in time\n" << log;
    EXPECT_EQ(*status, 1) << log;
    EXPECT_NE(log.find("Video: " + (videos / "colours.mp4").string()), std::string::npos) << log;
    EXPECT_NE(log.find("Video: " + (videos / "second.mp4").string()), std::string::npos) << log;
    EXPECT_NE(log.find("kalvista: Failed: " + broken.string() + ": "), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(videos / "broken.mp4"));
    for (const char* name : {"colours.mp4", "second.mp4"}) {
        std::string colours;
        ASSERT_TRUE(ReadSlideColours(videos / name, colours).opened) << name;
        EXPECT_EQ(colours, "RGB") << name;
    }
    const std::string lines = ReadText(trace);
    EXPECT_EQ(Occurrences(lines, "Office started: pid"), 2u) << "one for all, one after the failure\n" << lines;
    EXPECT_EQ(Occurrences(lines, "Office shared: pid"), 3u) << "every run used the shared office";
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

// In a Wayland session (weston, with XWayland for X11 programs) the
// recording shows the slides, not the black that XWayland's root window
// holds. The session names only WAYLAND_DISPLAY, as a desktop does, so the
// program has to recognise XWayland by the server itself.
TEST_F(ConvertEndToEnd, UnderAWaylandCompositorTheVideoShowsTheSlides) {
    if (const std::string why = kvtest::WestonSession::Unavailable(); !why.empty()) GTEST_SKIP() << why;
    kvtest::WestonSession wayland(1280, 1024);
    kv::ChildProcess run = Start("1", "640x480", wayland.Environment());
    ASSERT_TRUE(run.Started());
    const auto status = Finish(run);
    ASSERT_TRUE(status.has_value()) << "kalvista did not finish in time\n" << log;
    EXPECT_EQ(*status, 0) << log;

    std::string colours;
    const kvtest::RecordedFile video = ReadSlideColours(output, colours);
    ASSERT_TRUE(video.opened);
    EXPECT_EQ(colours, "RGB") << "the container's picture was recorded";
    if (colours != "RGB") std::printf("weston's log:\n%s\n", wayland.Log().c_str());
    EXPECT_EQ(video.width, 640);
    EXPECT_EQ(video.height, 480);
    EXPECT_NEAR(video.audioSeconds, video.VideoSeconds(), 0.5);
    ExpectNothingLeft();
}

// The sound of a video as 44.1 kHz mono samples, decoded by ffmpeg.
std::vector<std::int16_t> DecodedSound(const fs::path& video, const fs::path& scratch) {
    kv::SpawnOptions options;
    options.outputFile = scratch / "decode.log";
    const fs::path raw = scratch / "sound.raw";
    kv::ChildProcess decode = kv::ChildProcess::Spawn(
        {"ffmpeg", "-v", "error", "-y", "-i", video.string(), "-vn", "-ac", "1", "-ar", "44100", "-f", "s16le",
         raw.string()},
        options);
    EXPECT_EQ(decode.Started() ? decode.Wait(30000).value_or(-1) : -1, 0) << ReadText(scratch / "decode.log");
    const std::string bytes = ReadText(raw);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// A WAV file of a sine, 16-bit stereo at 44.1 kHz.
void WriteSineWav(const fs::path& path, double frequency, double seconds) {
    const std::uint32_t frames = static_cast<std::uint32_t>(44100 * seconds);
    const std::uint32_t data = frames * 4;
    std::ofstream out(path, std::ios::binary);
    const auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4), u32(36 + data), out.write("WAVEfmt ", 8), u32(16), u16(1), u16(2), u32(44100),
        u32(44100 * 4), u16(4), u16(16), out.write("data", 4), u32(data);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * frequency * i / 44100));
        u16(static_cast<std::uint16_t>(v)), u16(static_cast<std::uint16_t>(v));
    }
}

// Converts `deck`, whose only slide plays a 660 Hz sound by itself, from
// "Sound of this computer": the office plays the sound through the desktop's
// sound server, and the video must hold more than a second of that tone.
void ConvertEndToEnd::ExpectTheSlidesSoundRecorded(const fs::path& deck) {
    const fs::path video = dir / (deck.stem().string() + ".mp4");
    kv::ChildProcess run =
        StartOn(deck, video, {"--seconds", "3", "--size", "640x480", "--sound", "Sound of this computer"});
    EXPECT_TRUE(run.Started());
    const auto status = Finish(run);
    EXPECT_TRUE(status.has_value()) << "kalvista did not finish in time\n" << log;
    EXPECT_EQ(status.value_or(-1), 0) << log;
    EXPECT_EQ(log.find("silent"), std::string::npos) << log;

    const auto samples = DecodedSound(video, dir.path());
    // The stretch that sounds, and the tone's upward zero crossings in it.
    const auto loud = [](std::int16_t v) { return std::abs(static_cast<int>(v)) > 4000; };
    const auto begin = std::find_if(samples.begin(), samples.end(), loud);
    EXPECT_NE(begin, samples.end()) << "the slide's sound is in the video";
    if (begin != samples.end()) {
        const auto end = std::find_if(samples.rbegin(), samples.rend(), loud).base();
        long first = -1, last = -1, crossings = 0;
        for (auto it = begin + 1; it < end; ++it) {
            if (*(it - 1) < 0 && *it >= 0) {
                if (first < 0) first = static_cast<long>(it - samples.begin());
                else ++crossings;
                last = static_cast<long>(it - samples.begin());
            }
        }
        EXPECT_GT((end - begin) / 44100.0, 1.0) << "seconds of the slide's sound";
        EXPECT_GT(last, first);
        if (last > first) {
            EXPECT_NEAR(crossings * 44100.0 / (last - first), 660.0, 7.0) << "the slide's 660 Hz";
        }
    }
    ExpectNothingLeft();
}

// A slide that plays a sound, recorded from "Sound of this computer", in the
// ways decks carry one: a linked sound the slide's transition plays (an
// office's own deck), and a sound embedded in the slide as a media
// shape set to start by itself (a deck written as PowerPoint writes one).
TEST_F(ConvertEndToEnd, ASoundTheSlidePlaysIsRecordedFromTheComputersOwnSound) {
    const fs::path chime = dir / "chime.wav";
    WriteSineWav(chime, 660.0, 6.0);  // longer than the recording, however late it starts
    const fs::path linked = dir / "linked.odp";
    {
        kvtest::TestOffice office;
        kvtest::SlideDesign slide{0xD01010};
        slide.sound = chime;
        office.MakePresentation(linked, {slide});
    }
    {
        SCOPED_TRACE("a transition's linked sound in an .odp");
        ExpectTheSlidesSoundRecorded(linked);
    }
    const auto embedding = [&](const fs::path& media) {
        const fs::path deck = dir / ("embedded-" + media.stem().string() + ".pptx");
        kvtest::MakeOoxmlDeck(deck, R"({"slides": [{"title": "Chime", "colour": "D01010", "media": ")" +
                                        media.string() + R"("}]})");
        return deck;
    };
    {
        SCOPED_TRACE("a media shape's embedded sound in a .pptx");
        ExpectTheSlidesSoundRecorded(embedding(chime));
    }
}

// The mean change, over colour, of the film's box (the middle of a 4:3 slide
// at 640x480) from each recorded picture to the next, over the seconds given.
double FilmBoxChange(const fs::path& video, double from, double to) {
    std::vector<std::uint8_t> previous;
    double change = 0;
    int pairs = 0;
    kvtest::ReadRecordedFile(video.string(), [&](std::int64_t position, const kv::FrameImage& picture) {
        if (position < from * 10 || position > to * 10) return;
        std::vector<std::uint8_t> box;
        for (int y = 100; y < 380; ++y)
            box.insert(box.end(), picture.Row(y) + 4 * 130, picture.Row(y) + 4 * 510);
        if (!previous.empty()) {
            double sum = 0;
            for (size_t i = 0; i < box.size(); ++i)
                if (i % 4 != 3) sum += std::abs(int(box[i]) - int(previous[i]));
            change += sum / (box.size() * 3 / 4), ++pairs;
        }
        previous = std::move(box);
    });
    return pairs ? change / pairs : 0;
}

// A film of H.264 and AAC embedded as PowerPoint embeds one, set to play as
// its slide comes in: the recorded video shows it playing (its box changes
// from picture to picture, where a poster would stay still) and holds its
// sound, recorded from "Sound of this computer".
TEST_F(ConvertEndToEnd, AnEmbeddedH264FilmPlaysInTheVideoWithItsSound) {
    const fs::path film = dir / "film.mp4", poster = dir / "poster.png";
    ASSERT_EQ(std::system(("ffmpeg -v error -y -f lavfi -i testsrc2=size=320x240:rate=25:duration=8 -f lavfi -i "
                           "sine=frequency=660:sample_rate=44100:duration=8 -af volume=3 -c:v libx264 -profile:v high "
                           "-pix_fmt yuv420p -c:a aac -shortest '" + film.string() + "' && ffmpeg -v error -y -i '" +
                           film.string() + "' -frames:v 1 '" + poster.string() + "'").c_str()),
              0);
    const fs::path deck = dir / "film-deck.pptx";
    kvtest::MakeOoxmlDeck(deck, R"({"slides": [{"title": "Film", "colour": "202020", "media": ")" + film.string() +
                                    R"(", "poster": ")" + poster.string() + R"("}]})");
    ExpectTheSlidesSoundRecorded(deck);
    const double change = FilmBoxChange(dir / "film-deck.mp4", 0.5, 2.5);
    std::printf("the film's box changes by %.1f a picture while it plays\n", change);
    EXPECT_GT(change, 2.0) << "the film plays (a poster alone changes by well under 1)";
}

// A deck written the way PowerPoint writes one, with title placeholders and
// speaker notes, converted with --subtitles to MOV and WebM: a player finds a
// chapter per slide named by its title, the notes as a subtitle track while
// their slide shows, and streams every common player decodes.
TEST_F(ConvertEndToEnd, TitlesBecomeChaptersAndNotesSubtitlesInMovAndWebm) {
    const fs::path deck = dir / "talk.pptx";
    kvtest::MakeOoxmlDeck(deck, R"({"slides": [
        {"title": "Welcome & hello", "body": ["Kalvista"], "colour": "C00000",
         "notes": ["Good morning, everyone.", "Thanks for coming."]},
        {"title": "Agenda", "body": ["Numbers"], "colour": "00A000"},
        {"title": "Results", "body": ["Up"], "colour": "0000C0", "notes": ["Numbers went up."]}]})");
    struct Case {
        std::string name, video, audio, subtitle;
    };
    for (const Case& c : {Case{"talk.mov", "codec_name=h264|profile=High|codec_type=video|pix_fmt=yuv420p",
                               "codec_name=aac|profile=LC|codec_type=audio", "codec_name=mov_text"},
                          Case{"talk.webm", "codec_name=vp9|profile=Profile 0|codec_type=video|pix_fmt=yuv420p",
                               "codec_name=opus", "codec_name=webvtt"}}) {
        SCOPED_TRACE(c.name);
        const fs::path video = dir / c.name;
        PlayerView view;
        ASSERT_NO_FATAL_FAILURE(ConvertWithSubtitles(deck, video, view));
        EXPECT_TRUE(HasStream(view, c.video)) << ::testing::PrintToString(view.streams);
        EXPECT_TRUE(HasStream(view, c.audio)) << ::testing::PrintToString(view.streams);
        EXPECT_TRUE(HasStream(view, c.subtitle)) << ::testing::PrintToString(view.streams);
        EXPECT_EQ(view.chapterTitles, (std::vector<std::string>{"Welcome & hello", "Agenda", "Results"}));
        ASSERT_EQ(view.chapterStarts.size(), 3u);
        EXPECT_NEAR(view.chapterStarts[0], 0.0, 0.01);
        EXPECT_NEAR(view.chapterStarts[2] - view.chapterStarts[1], 1.0, 0.3);
        ExpectChaptersWhereTheSlidesChange(video, view);

        // Two cues: the first slide's notes from 0 to the second chapter, the
        // third slide's from its chapter on; the second slide has none.
        const std::string& cues = view.subtitles;
        const size_t first = cues.find("Good morning, everyone."), second = cues.find("Numbers went up.");
        ASSERT_NE(first, std::string::npos) << cues;
        ASSERT_NE(second, std::string::npos) << cues;
        EXPECT_NE(cues.find("Thanks for coming."), std::string::npos) << cues;
        EXPECT_EQ(cues.find("Agenda"), std::string::npos) << cues;
        const size_t arrow = cues.find(" --> "), secondArrow = cues.find(" --> ", arrow + 1);
        ASSERT_NE(secondArrow, std::string::npos) << cues;
        EXPECT_NEAR(CueSeconds(cues.substr(arrow - 12, 12)), 0.0, 0.05) << cues;
        EXPECT_NEAR(CueSeconds(cues.substr(arrow + 5, 12)), view.chapterStarts[1], 0.05) << cues;
        EXPECT_NEAR(CueSeconds(cues.substr(secondArrow - 12, 12)), view.chapterStarts[2], 0.05) << cues;
        EXPECT_NE(ReadText(dir / (video.stem().string() + ".srt")).find("Numbers went up."), std::string::npos);
        ExpectNothingLeft();
    }
}

// The same kind of deck saved by the office as .odp, with notes of several
// paragraphs, blank ones among them, and text a subtitle reader could take
// for markup: the MP4 carries each slide's notes as one cue, its paragraphs
// as lines, no blank line, the text as typed.
TEST_F(ConvertEndToEnd, OfficeDeckNotesOfSeveralParagraphsBecomeOneCueEachInMp4) {
    const fs::path pptx = dir / "notes.pptx", deck = dir / "notes.odp", video = dir / "notes.mp4";
    kvtest::MakeOoxmlDeck(pptx, R"({"slides": [
        {"title": "Opening", "body": ["Hi"], "colour": "C00000",
         "notes": ["First point.", "", "Second point, after a blank line.", "Q&A <pause>"]},
        {"title": "Middle", "body": ["No notes"], "colour": "00A000"},
        {"title": "Closing", "body": ["Bye"], "colour": "0000C0", "notes": ["", "Last", "", "", "words"]}]})");
    kvtest::TestOffice().SaveAs(pptx, deck);
    ASSERT_TRUE(fs::exists(deck));

    PlayerView view;
    ASSERT_NO_FATAL_FAILURE(ConvertWithSubtitles(deck, video, view));
    EXPECT_TRUE(HasStream(view, "codec_name=mov_text")) << ::testing::PrintToString(view.streams);
    EXPECT_EQ(view.chapterTitles, (std::vector<std::string>{"Opening", "Middle", "Closing"}));
    ASSERT_EQ(view.chapterStarts.size(), 3u);
    EXPECT_NEAR(view.chapterStarts[0], 0.0, 0.01);
    ExpectChaptersWhereTheSlidesChange(video, view);

    const std::string opening = "First point.\nSecond point, after a blank line.\nQ&A <pause>";
    for (const std::string& srt : {view.subtitles, ReadText(dir / "notes.srt")}) {
        SCOPED_TRACE(srt);
        const std::vector<SubtitleCue> cues = ReadCues(srt);
        ASSERT_EQ(cues.size(), 2u);
        EXPECT_EQ(cues[0].text, opening);
        EXPECT_EQ(cues[1].text, "Last\nwords");
        EXPECT_NEAR(cues[0].start, 0.0, 0.01);
        EXPECT_NEAR(cues[0].end, view.chapterStarts[1], 0.01);
        EXPECT_NEAR(cues[1].start, view.chapterStarts[2], 0.01);
        EXPECT_GT(cues[1].end, cues[1].start + 0.5);
    }
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
