// A chapter per shown slide: the texts made from the list of shown slides,
// and real conversions whose chapters, key frames and chapter list ffprobe
// reads back.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "conversion/ConvertAVIToX.h"
#include "conversion/OutputFormats.h"
#include "conversion/SlideChapters.h"
#include "conversion/TestAvi.h"
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
    // A last slide that starts after the video's end still gets a length.
    EXPECT_NE(ChapterMetadata({{1, "Only", "", 0}}, 0).find("END=1\n"), std::string::npos);
    EXPECT_EQ(ChapterListPath("/v/my talk.mp4"), "/v/my talk.chapters.txt");
    EXPECT_EQ(SubtitlePath("/v/talk.webm"), "/v/talk.srt");
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

}  // namespace
}  // namespace kv
