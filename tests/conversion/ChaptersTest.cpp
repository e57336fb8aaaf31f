// A chapter per shown slide: the texts made from the list of shown slides,
// and real conversions whose chapters, key frames and chapter list ffprobe
// reads back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "conversion/ConvertAVIToX.h"
#include "conversion/OutputFormats.h"
#include "conversion/SlideChapters.h"
#include "conversion/TestAvi.h"
#include "app/core/SettingsCatalogue.h"
#include "recording/state/ShownSlides.h"
#include "support/TempDir.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SlideChapters, TitlesFallBackFromPlaceholderToTopmostTextToTheNumber) {
    EXPECT_EQ(SlideTitle(3, "  Results\nof 2026 ", "ignored"), "Results of 2026");
    EXPECT_EQ(SlideTitle(3, " \n ", "\n First line \nsecond"), "First line");
    EXPECT_EQ(SlideTitle(7, "", "  "), "Slide 7");

    ClearShownSlides();
    AddShownSlide({1, "One", "", 0.0});
    AddShownSlide({2, "Two", "", 4.0});
    AddShownSlide({3, "Three", "", 4.0});  // passed within the same instant: the later one counts
    const ShownSlides shown = GetShownSlides();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].title, "Three");
    ClearShownSlides();
    EXPECT_TRUE(GetShownSlides().empty());
}

TEST(SlideChapters, TextsCoverTheVideoFromZeroWithEscapedTitlesAndNotesCues) {
    const ShownSlides slides = {{1, "Intro", "Welcome\n\nall", 0.4},
                                {2, "a=b; #1 \\ x", "", 65.25},
                                {4, "Late", "Bye", 3725.0}};
    EXPECT_EQ(ChapterListText(slides), "0:00 Intro\n1:05 a=b; #1 \\ x\n1:02:05 Late\n");
    EXPECT_EQ(ChapterMetadata(slides, 3730.5),
              ";FFMETADATA1\n"
              "[CHAPTER]\nTIMEBASE=1/1000\nSTART=0\nEND=65250\ntitle=Intro\n"
              "[CHAPTER]\nTIMEBASE=1/1000\nSTART=65250\nEND=3725000\ntitle=a\\=b\\; \\#1 \\\\ x\n"
              "[CHAPTER]\nTIMEBASE=1/1000\nSTART=3725000\nEND=3730500\ntitle=Late\n");
    EXPECT_EQ(NotesSubtitles(slides, 3730.5),
              "1\n00:00:00,000 --> 00:01:05,250\nWelcome\nall\n\n"
              "2\n01:02:05,000 --> 01:02:10,500\nBye\n\n");
    EXPECT_EQ(SlideKeyFrameTimes(slides), "0.000,65.250,3725.000");
    // Lines that end in CR LF or a lone CR, blank ones among them.
    EXPECT_EQ(NotesSubtitles({{1, "One", "a\r\n \r\nb\rc\r\r", 0}}, 2), "1\n00:00:00,000 --> 00:00:02,000\na\nb\nc\n\n");
    EXPECT_TRUE(NotesSubtitles({{1, "One", "\r\n \t\n", 0}}, 2).empty());
    EXPECT_FALSE(HasNotes({{1, "One", " \r\n\r", 0}}));
    // A last slide that starts after the video's end still gets a length.
    EXPECT_NE(ChapterMetadata({{1, "Only", "", 0}}, 0).find("END=1\n"), std::string::npos);
    EXPECT_EQ(ChapterListPath("/v/my talk.mp4"), "/v/my talk.chapters.txt");
    EXPECT_EQ(SubtitlePath("/v/talk.webm"), "/v/talk.srt");
}

// Notes are plain text: what a track's reader would take for markup is
// written so that it reads back as typed.
TEST(SlideChapters, NotesTracksKeepMarkupLikeTextAsTyped) {
    const ShownSlides slides = {{1, "One", "Q&A <pause>\n\nx --> y", 0.0}, {2, "Two", "", 1.2344},
                                {3, "Three", "{\\b1} C:\\new\\Name", 2.5}};
    const NotesTrack webm = NotesTrackFor(FORMAT_WEBM, slides, 3.0);
    EXPECT_EQ(webm.codec, "copy");
    EXPECT_EQ(webm.suffix, ".vtt");
    EXPECT_EQ(webm.text, "WEBVTT\n\n00:00:00.000 --> 00:00:01.234\nQ&amp;A &lt;pause&gt;\nx --&gt; y\n\n"
                         "00:00:02.500 --> 00:00:03.000\n{\\b1} C:\\new\\Name\n\n");
    const std::string joiner = "\xE2\x81\xA0";
    for (int index : {FORMAT_MP4, FORMAT_MOV}) {
        const NotesTrack track = NotesTrackFor(index, slides, 3.0);
        EXPECT_EQ(track.codec, "mov_text");
        EXPECT_EQ(track.suffix, ".ass");
        EXPECT_NE(track.text.find("\n[Events]\n"), std::string::npos);
        const std::string events = track.text.substr(track.text.find("Dialogue:"));
        EXPECT_EQ(events, "Dialogue: 0,0:00:00.00,0:00:01.23,Default,,0,0,0,,Q&A <pause>\\Nx --> y\n"
                          "Dialogue: 0,0:00:02.50,0:00:03.00,Default,,0,0,0,,{" + joiner + "\\b1} C:\\" + joiner +
                              "new\\" + joiner + "Name\n");
    }
    EXPECT_TRUE(NotesTrackFor(FORMAT_GIF, slides, 3.0).codec.empty());
    EXPECT_TRUE(NotesTrackFor(FORMAT_AVI, slides, 3.0).codec.empty());
    // Hundredths are rounded, not cut.
    EXPECT_NE(NotesTrackFor(FORMAT_MP4, {{1, "", "a", 0}, {2, "", "b", 1.235}}, 2).text.find(",0:00:01.24,"),
              std::string::npos);
}

// Chapter starts and the key frames, as ffprobe reads them.
std::vector<double> Values(const fs::path& file, const std::vector<std::string>& query, const std::string& key) {
    std::vector<std::string> argv = {"ffprobe", "-v", "error"};
    argv.insert(argv.end(), query.begin(), query.end());
    for (const char* rest : {"-of", "default=noprint_wrappers=1"}) argv.push_back(rest);
    argv.push_back(file.string());
    std::string output;
    kvtest::RunProgram(argv, &output);
    std::vector<double> values;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(key + "=", 0) == 0) values.push_back(std::atof(line.c_str() + key.size() + 1));
    return values;
}

TEST(SlideChapters, ChapteredFormatsCarryOneChapterPerSlideAndAKeyFrameAtEach) {
    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir("kalvista-chapters");
    const fs::path recording = dir / "~Record.avi";
    ASSERT_TRUE(kvtest::MakeTestAvi(recording, 5, 11025, 4.0, nullptr, "160x120", 1));
    ClearShownSlides();
    AddShownSlide({1, "Welcome", "", 0.2});
    AddShownSlide({2, "Costs = 5; plan", "", 1.4});
    AddShownSlide({5, "Slide 5", "", 2.6});

    for (int index : {FORMAT_MP4, FORMAT_MOV, FORMAT_WEBM, FORMAT_GIF}) {
        const fs::path output = dir / (std::string("talk") + kOutputFormats[index].extension);
        SCOPED_TRACE(output.string());
        ASSERT_TRUE(ConvertAVIToX(recording.string(), output.string(), index, 5, 11025, 128));
        EXPECT_EQ(ReadText(dir / "talk.chapters.txt"), "0:00 Welcome\n0:01 Costs = 5; plan\n0:02 Slide 5\n");
        fs::remove(dir / "talk.chapters.txt");
        const auto starts = Values(output, {"-show_chapters"}, "start_time");
        if (index == FORMAT_GIF) {
            EXPECT_TRUE(starts.empty());
            continue;
        }
        ASSERT_EQ(starts.size(), 3u);
        EXPECT_NEAR(starts[0], 0.0, 0.2);
        EXPECT_NEAR(starts[1], 1.4, 0.2);
        EXPECT_NEAR(starts[2], 2.6, 0.2);
        std::string titles;
        kvtest::RunProgram({"ffprobe", "-v", "error", "-show_entries", "chapter_tags=title", "-of", "csv=p=0",
                            output.string()},
                           &titles);
        EXPECT_EQ(titles, "Welcome\nCosts = 5; plan\nSlide 5\n");
        // Seeking to a slide lands on its first frame.
        const auto keys = Values(output, {"-select_streams", "v", "-skip_frame", "nokey", "-show_entries",
                                          "frame=pts_time"},
                                 "pts_time");
        for (double slide : {1.4, 2.6})
            EXPECT_TRUE(std::any_of(keys.begin(), keys.end(), [&](double t) { return std::abs(t - slide) < 0.21; }))
                << "no key frame at " << slide;
    }
    ClearShownSlides();
}

// A slide that stays for long: seeking within it still finds a key frame
// at most 10 s back (a still picture gives the encoder no scene cut).
TEST(SlideChapters, AStillSlideStillGetsAKeyFrameEveryTenSeconds) {
    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir("kalvista-keyframes");
    const fs::path recording = dir / "~Record.avi", output = dir / "still.mp4";
    ASSERT_EQ(kvtest::RunProgram({"ffmpeg", "-nostdin", "-v", "error", "-f", "lavfi", "-i",
                                  "color=white:s=160x120:r=5:d=25", "-c:v", "libx264", "-pix_fmt", "yuv444p", "-g",
                                  "1", recording.string()}),
              0);
    ClearShownSlides();
    AddShownSlide({1, "Long", "", 0.0});
    ASSERT_TRUE(ConvertAVIToX(recording.string(), output.string(), FORMAT_MP4, 5, 11025, 128));
    const auto keys = Values(output, {"-select_streams", "v", "-skip_frame", "nokey", "-show_entries", "frame=pts_time"},
                             "pts_time");
    ASSERT_GE(keys.size(), 3u) << "25 s of one picture";
    for (size_t k = 1; k < keys.size(); ++k) EXPECT_LE(keys[k] - keys[k - 1], 10.01) << keys[k];
    EXPECT_LE(25.0 - keys.back(), 10.01);
    ClearShownSlides();
}

TEST(SlideChapters, NotesBecomeASoftSubtitleTrackAndASidecarOnlyWhenAskedFor) {
    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir("kalvista-subtitles");
    const fs::path recording = dir / "~Record.avi";
    ASSERT_TRUE(kvtest::MakeTestAvi(recording, 5, 11025, 3.0, nullptr, "160x120", 2));
    ClearShownSlides();
    AddShownSlide({1, "One", "Hello there", 0.0});
    AddShownSlide({2, "Two", "", 1.0});
    // Markup-like text and a blank line, as speaker notes may hold.
    AddShownSlide({3, "Three", "Q&A <pause>\n\nin {two} lines", 2.0});
    const std::string expectedCues = "1\n00:00:00,000 --> 00:00:01,000\nHello there\n\n"
                                     "2\n00:00:02,000 --> 00:00:03,000\nQ&A <pause>\nin {two} lines\n\n";

    const fs::path plain = dir / "plain.mp4";
    ASSERT_TRUE(ConvertAVIToX(recording.string(), plain.string(), FORMAT_MP4, 5, 11025, 128));
    EXPECT_FALSE(fs::exists(dir / "plain.srt"));
    EXPECT_EQ(kvtest::StreamFacts(plain), "video:h264:High:yuv420p audio:aac:LC:");

    settings::NotesSubtitles.Set(1);
    for (int index : {FORMAT_MP4, FORMAT_MOV, FORMAT_WEBM}) {
        const fs::path output = dir / (std::string("talk") + kOutputFormats[index].extension);
        SCOPED_TRACE(output.string());
        ASSERT_TRUE(ConvertAVIToX(recording.string(), output.string(), index, 5, 11025, 128));
        EXPECT_EQ(ReadText(dir / "talk.srt"), expectedCues);
        fs::remove(dir / "talk.srt");
        std::string codec;
        kvtest::RunProgram({"ffprobe", "-v", "error", "-select_streams", "s", "-show_entries", "stream=codec_name",
                            "-of", "csv=p=0", output.string()},
                           &codec);
        EXPECT_EQ(codec, index == FORMAT_WEBM ? "webvtt\n" : "mov_text\n");
        // The track read back gives the same cues.
        std::string cues;
        EXPECT_EQ(kvtest::RunProgram({"ffmpeg", "-nostdin", "-v", "error", "-i", output.string(), "-map", "0:s",
                                      "-f", "srt", "-"},
                                     &cues),
                  0);
        // ffmpeg writes a line break inside a cue as CR LF.
        cues.erase(std::remove(cues.begin(), cues.end(), '\r'), cues.end());
        if (index != FORMAT_WEBM) {
            EXPECT_EQ(cues, expectedCues);
            continue;
        }
        // WebM's clock starts a few ms in (Opus's delay): the cues stay within a frame.
        EXPECT_NE(cues.find("00:00:00,0"), std::string::npos) << cues;
        EXPECT_NE(cues.find("\nHello there\n\n2\n00:00:02,0"), std::string::npos) << cues;
        // (ffmpeg's own WebVTT reader shows braces as "\{".)
        EXPECT_NE(cues.find("\nQ&A <pause>\nin "), std::string::npos) << cues;
        // As stored, for a browser: the markup characters escaped.
        std::string stored;
        kvtest::RunProgram({"ffmpeg", "-nostdin", "-v", "error", "-i", output.string(), "-map", "0:s", "-c", "copy",
                            "-f", "webvtt", "-"},
                           &stored);
        EXPECT_NE(stored.find("\nQ&amp;A &lt;pause&gt;\nin {two} lines\n"), std::string::npos) << stored;
    }
    ClearShownSlides();
}

// The lists beside a video are made new: a file already there (an older
// list, or a link someone put into the folder) is never written over.
TEST(SlideChapters, FilesBesideTheVideoNeverWriteOverAFileThatIsNotTheirs) {
    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir("kalvista-sidecars");
    const fs::path recording = dir / "~Record.avi";
    ASSERT_TRUE(kvtest::MakeTestAvi(recording, 5, 11025, 2.0, nullptr, "160x120", 1));
    ClearShownSlides();
    AddShownSlide({1, "Only", "A note", 0.0});
    settings::NotesSubtitles.Set(1);
    std::ofstream(dir / "victim.txt") << "keep me";
    fs::create_symlink(dir / "victim.txt", dir / "talk.chapters.txt");
    std::ofstream(dir / "talk.srt") << "an older list";
    ASSERT_TRUE(ConvertAVIToX(recording.string(), (dir / "talk.mp4").string(), FORMAT_MP4, 5, 11025, 128));
    EXPECT_EQ(ReadText(dir / "victim.txt"), "keep me");
    EXPECT_EQ(ReadText(dir / "talk.srt"), "an older list");
    EXPECT_EQ(ReadText(dir / "talk1.chapters.txt"), "0:00 Only\n");
    EXPECT_NE(ReadText(dir / "talk1.srt").find("A note"), std::string::npos);
    settings::NotesSubtitles.Set(0);
    ClearShownSlides();
}

}  // namespace
}  // namespace kv
