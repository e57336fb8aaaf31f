// Presentations our office did not write (tests/corpus/decks, made by
// make_decks.sh with pptxgenjs and hand-built OOXML) go through
// `kalvista --convert` for real: every shown slide gets its time in the MP4,
// and the picture in the middle of that time is what the office itself draws
// of the slide (PSNR against its graphic export at the same size).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "corpus/SlideFrames.h"
#include "platform/automation/uno/UnoSlideDrawing.h"
#include "platform/media/PictureFile.h"
#include "platform/process/ChildProcess.h"
#include "support/RecordedFile.h"
#include "support/RunMarker.h"
#include "support/ShellOutput.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"
#include "support/office/TestOffice.h"

namespace {

namespace fs = std::filesystem;
using namespace kvtest;

constexpr int kWidth = 640, kHeight = 480;  // the capture size of every run
constexpr double kLeastPsnr = 30.0;

struct Deck {
    const char* file;
    int shownSlides;
    double aspect;     // the slide's width / height
    double leastPsnr;  // below kLeastPsnr where the show's own drawing differs from the export
};

// The recorded decks in auto mode (1 s a slide); the video's colour is
// subsampled. Decks the show draws as the office's export does are held to
// kLeastPsnr or to a few dB under what they reach (43 to 50 dB for plain
// text); a slide cut, moved or scaled by a pixel anywhere costs them 5 dB
// or more. Below kLeastPsnr: the PowerPoint 97 file's table, which the old
// format keeps as a group of thin lines the show draws a little unlike the
// export; and the film (below).
const Deck kAutoDecks[] = {
    {"four-by-three.pptx", 3, 4.0 / 3, kLeastPsnr}, {"sixteen-by-nine.pptx", 3, 16.0 / 9, kLeastPsnr},
    {"square-pictures.pptx", 2, 1.0, 35},           {"hidden-slides.pptx", 2, 4.0 / 3, 44},
    {"rtl-and-cjk.pptx", 2, 4.0 / 3, 45},           {"old-format.ppt", 3, 4.0 / 3, 25},
    {"old-show.pps", 3, 4.0 / 3, 25},               {"self-running.ppsx", 2, 16.0 / 9, 42},
    // Entrance effects (one on a click, which the show's clock gives: its
    // text is in by the middle of the slide), a sound of its own, a font nobody has, and
    // a film of still colour bars: the show plays it over the film's whole
    // box, the office's drawing of the page shows its poster there (about
    // 25 dB: the played film's scaling and its last column differ).
    {"animations.pptx", 2, 4.0 / 3, 35},            {"embedded-sound.pptx", 2, 4.0 / 3, 32},
    {"missing-font.pptx", 2, 4.0 / 3, 40},          {"embedded-video.pptx", 2, 4.0 / 3, 23},
};

fs::path Corpus() {
    const char* source = std::getenv("KALVISTA_SOURCE_DIR");
    return fs::path(source ? source : ".") / "tests/corpus/decks";
}

// The largest mean difference, over colour, between a side's outermost line
// of pixels of the slide and the line two pixels inside it: a slide with a
// plain background near its edges has a light or dark line there if this is large.
double EdgeStep(const kv::media::OwnedPicture& picture, double aspect) {
    if (picture.pixels.size() != size_t(4 * kWidth * kHeight)) return 255;
    const Place p = SlidePlace(aspect, kWidth, kHeight);
    // The `count` pixels from (x, y) along (alongX, alongY) against those two pixels inward (inX, inY).
    const auto step = [&](int x, int y, int alongX, int alongY, int count, int inX, int inY) {
        double sum = 0;
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* outer = &picture.pixels[4 * (kWidth * (y + i * alongY) + x + i * alongX)];
            const std::uint8_t* inner = outer + 4 * (2 * inY * kWidth + 2 * inX);
            for (int c = 0; c < 3; ++c) sum += std::abs(double(outer[c]) - double(inner[c]));
        }
        return sum / (3.0 * count);
    };
    const int right = p.left + p.width - 1, bottom = p.top + p.height - 1;
    return std::max({step(right, p.top, 0, 1, p.height, -1, 0), step(p.left, bottom, 1, 0, p.width, 0, -1),
                     step(p.left, p.top, 0, 1, p.height, 1, 0), step(p.left, p.top, 1, 0, p.width, 0, 1)});
}

class CorpusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { xvfb = new kvtest::XvfbServer("1280x1024x24"); }
    static void TearDownTestSuite() {
        EndDrawingOffice();
        delete xvfb;
    }

    // `kalvista --convert` on the decks into `out` (a folder for several), at 640x480 and 10 fps.
    Lines Convert(const std::vector<fs::path>& decks, const fs::path& out, std::vector<std::string> arguments,
                  std::vector<std::string> wrapper = {}, Lines* traced = nullptr) {
        return ConvertWithKalvista(dir.path(), decks, out, arguments, wrapper, traced);
    }

    // Each shown slide of the video against the office's drawing of it, at
    // `at` (0..1) of the slide's time after its transition; the lowest PSNR.
    double LeastPsnr(const fs::path& deckFile, const fs::path& video, double aspect, double at) {
        std::string why;
        std::unique_ptr<kv::SlidePictures> deck = DrawingOffice().Open(deckFile.string(), &why);
        if (!deck) {
            ADD_FAILURE() << why;
            return 0;
        }
        std::vector<const kv::SlideFacts*> shown;
        for (const kv::SlideFacts& slide : deck->Slides())
            if (!slide.hidden) shown.push_back(&slide);
        const std::vector<Chapter> chapters = Chapters(video);
        if (chapters.size() != shown.size()) {
            ADD_FAILURE() << video << ": " << chapters.size() << " chapters for " << shown.size() << " shown slides";
            return 0;
        }
        std::vector<std::int64_t> positions;
        for (size_t k = 0; k < shown.size(); ++k) {
            const double from = chapters[k].start + shown[k]->transitionSeconds;
            positions.push_back(std::llround((from + at * (chapters[k].end - from)) * 10));
        }
        auto pictures = PicturesAt(video, positions);
        double least = 99;
        std::ostringstream each;
        for (size_t k = 0; k < shown.size(); ++k) {
            const kv::media::OwnedPicture expected = Expected(*deck, shown[k]->number, aspect, kWidth, kHeight, dir.path(), true, &why);
            EXPECT_FALSE(expected.pixels.empty()) << why;
            const double psnr = Psnr(pictures[positions[k]], expected);
            const double full = Psnr(pictures[positions[k]], Expected(*deck, shown[k]->number, aspect, kWidth, kHeight, dir.path(), false, &why));
            each << " " << std::fixed << std::setprecision(1) << psnr << " (" << full << ")";
            // The page reaches the slide's edges: no line of another colour there.
            // (A light line of a page painted half a pixel short is about 100;
            // a pure green edge still comes out some 10 lighter.)
            EXPECT_LT(EdgeStep(pictures[positions[k]], aspect), 16.0) << "slide " << shown[k]->number << ": a line at an edge";
            least = std::min(least, psnr);
        }
        std::printf("PSNR %-24s least %5.1f dB, per slide (full colour)%s\n", deckFile.filename().c_str(), least,
                    each.str().c_str());
        return least;
    }

    static kvtest::XvfbServer* xvfb;
    kvtest::TempDir dir{"kalvista-corpus"};
};

kvtest::XvfbServer* CorpusTest::xvfb = nullptr;

struct FirstSlide {
    double seconds = -1;    // -1: the show never started
    bool reported = false;  // false: the office did not say, the show went on after its own wait
};

// The seconds from a deck's start (the previous deck's result, or the run's
// start) to its first slide on screen: the trace the show writes once the
// office reports that the first slide's effects have begun or are done. Batch lines
// cannot tell, as each deck's lines come out together when it ends.
FirstSlide SecondsToFirstSlide(const Lines& traced, double deckStarted, double deckEnded) {
    for (const auto& [seconds, text] : traced)
        if (seconds > deckStarted && seconds <= deckEnded && text.rfind("Office slide show started", 0) == 0)
            return {seconds - deckStarted, text == "Office slide show started"};
    return {};
}

// Sizes (4:3, 16:9, square), shapes, tables, charts, a group, PNG/JPEG/SVG
// pictures, notes, hidden slides (the first too), right-to-left and CJK
// text, the old binary formats, a self-running .ppsx, entrance effects, an
// embedded sound and film and a font that is not installed: one second a
// slide, each deck's first slide on screen within seconds of its start.
TEST_F(CorpusTest, DecksOfOtherWritersShowEachSlideForItsSecondAsTheOfficeDrawsIt) {
    std::vector<fs::path> decks;
    for (const Deck& deck : kAutoDecks) decks.push_back(Corpus() / deck.file);
    const fs::path out = dir / "auto";
    fs::create_directories(out);
    Lines traced;
    const auto lines = Convert(decks, out, {"--mode", "auto", "--seconds", "1"}, {}, &traced);
    double deckStarted = 0;  // the first deck's time includes the office's start
    for (const Deck& deck : kAutoDecks) {
        SCOPED_TRACE(deck.file);
        fs::path video;
        double deckEnded = 0;
        for (const auto& [seconds, text] : lines)
            if (text.rfind("Video: ", 0) == 0 && text.find(fs::path(deck.file).stem().string()) != std::string::npos &&
                video.empty())
                video = text.substr(7, text.find(" (") - 7), deckEnded = seconds;
        ASSERT_FALSE(video.empty()) << Joined(lines);
        const FirstSlide firstSlide = SecondsToFirstSlide(traced, deckStarted, deckEnded);
        deckStarted = deckEnded;
        const std::vector<Chapter> chapters = Chapters(video);
        ASSERT_EQ(chapters.size(), size_t(deck.shownSlides)) << video;
        for (const Chapter& chapter : chapters) EXPECT_NEAR(chapter.end - chapter.start, 1.0, 0.35) << video;
        const double psnr = LeastPsnr(Corpus() / deck.file, video, deck.aspect, 0.5);
        EXPECT_GE(psnr, deck.leastPsnr) << video;
        EXPECT_GE(firstSlide.seconds, 0) << Joined(traced);
        EXPECT_LT(firstSlide.seconds, 10.0) << Joined(traced);  // the first deck's includes the office's start
        // Unreported, the show's start waits 3 s for a slide already there.
        EXPECT_TRUE(firstSlide.reported) << "the office did not report the first slide";
        std::printf("Deck %-24s %3d slides, first slide after %4.1f s%s, least PSNR %5.1f dB (held to %.1f): %s\n",
                    deck.file, deck.shownSlides, firstSlide.seconds, firstSlide.reported ? "" : " (not reported)", psnr,
                    deck.leastPsnr, psnr >= deck.leastPsnr ? "passed" : "FAILED");
    }
}

// Rehearsed timings with fade, push and random transitions, a hidden slide
// and a last slide that waits for a click (nobody clicks in batch: it gets
// --seconds).
TEST_F(CorpusTest, RehearsedTimingsAndTransitionsOfAnotherWriterKeepTheirTimes) {
    const fs::path deck = Corpus() / "timed-transitions.pptx";
    const fs::path video = dir / "timed-transitions.mp4";
    Lines traced;
    const auto lines = Convert({deck}, video, {"--mode", "timings", "--seconds", "1"}, {}, &traced);
    ASSERT_TRUE(fs::exists(video)) << Joined(lines);
    const std::vector<Chapter> chapters = Chapters(video);
    ASSERT_EQ(chapters.size(), 4u);
    // The office's import keeps neither 1.5 nor 1.2 s (whole seconds only, and
    // no time on a slide without a transition effect): the file's own count.
    const double wanted[] = {1.5, 1.2, 1.0, 1.0};
    for (size_t k = 0; k < 4; ++k)
        EXPECT_NEAR(chapters[k].end - chapters[k].start, wanted[k], 0.35) << k << "\n" << Joined(traced);
    EXPECT_GE(LeastPsnr(deck, video, 4.0 / 3, 0.6), 40.0);  // plain text, as in kAutoDecks
}

// Two hundred slides, drawn rather than recorded: every one is a chapter of its second.
TEST_F(CorpusTest, TwoHundredSlidesAreEachAChapterOfTheirOwn) {
    const fs::path video = dir / "two-hundred.mp4";
    const auto lines = Convert({Corpus() / "two-hundred-slides.pptx"}, video, {"--fast", "--seconds", "1", "--size", "160x120"});
    ASSERT_TRUE(fs::exists(video)) << Joined(lines);
    const std::vector<Chapter> chapters = Chapters(video);
    ASSERT_EQ(chapters.size(), 200u);
    for (size_t k = 0; k < chapters.size(); ++k) {
        EXPECT_NEAR(chapters[k].start, double(k), 0.05) << k;
        EXPECT_NEAR(chapters[k].end - chapters[k].start, 1.0, 0.05) << k;
    }
    std::printf("two-hundred-slides.pptx    converted in %4.1f s\n", lines.back().first);
}

// What cannot be played fails alone, each with its reason, within 5 s.
TEST_F(CorpusTest, FilesThatAreNoPlayablePresentationFailEachWithItsReasonWithinSeconds) {
    const fs::path folder = dir / "a-folder.pptx";
    fs::create_directories(folder);
    {
        // Refused with the command line, before anything starts.
        const auto refused = Convert({folder}, dir / "folder.mp4", {});
        ASSERT_FALSE(refused.empty());
        EXPECT_NE(refused[0].second.find("is a folder, not a file: " + folder.string()), std::string::npos)
            << refused[0].second;
        EXPECT_LT(refused[0].first, 5.0);
        EXPECT_FALSE(fs::exists(dir / "folder.mp4"));
    }
    // The office's own, and OOXML's encryption as its PowerPoint export writes it.
    const fs::path locked = dir / "password.odp", lockedPptx = dir / "password.pptx";
    {
        kvtest::TestOffice office;
        office.MakePresentation(locked, {{0xFF0000}}, "secret");
        office.MakePresentation(lockedPptx, {{0xFF0000}}, "secret");
    }
    // An encrypted OOXML package is a compound file holding the encrypted zip.
    ASSERT_EQ(kvtest::ReadTextFile(lockedPptx).substr(0, 8), "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    std::vector<std::pair<fs::path, std::string>> cases = {
        {Corpus() / "zero-bytes.pptx", "is an empty file"},
        {Corpus() / "no-slides.pptx", "has no slides"},  // the office would show one blank slide
        {Corpus() / "damaged.pptx", "is damaged"},
        {Corpus() / "not-a-presentation.pptx", "is not a presentation"},
        {locked, "is protected by a password"},
        {lockedPptx, "is protected by a password"},
    };
    // Root reads any file: the run then goes without the rights that let it.
    std::vector<std::string> wrapper;
    if (::geteuid() == 0) wrapper = {"setpriv", "--bounding-set=-dac_override,-dac_read_search"};
    if (wrapper.empty() || std::system("setpriv --bounding-set=-dac_override,-dac_read_search true") == 0) {
        const fs::path unreadable = dir / "unreadable.pptx";
        fs::copy_file(Corpus() / "four-by-three.pptx", unreadable);
        fs::permissions(unreadable, fs::perms::none);
        cases.push_back({unreadable, "cannot be read (Permission denied)"});
    } else {
        std::printf("unreadable file not tried: root here cannot give up its right to read every file\n");
        wrapper.clear();
    }
    std::vector<fs::path> decks;
    for (const auto& [file, reason] : cases) decks.push_back(file);
    fs::create_directories(dir / "none");
    const auto lines = Convert(decks, dir / "none", {"--mode", "auto", "--seconds", "1"}, wrapper);
    double previous = 0;
    for (const auto& [file, reason] : cases) {
        SCOPED_TRACE(file.filename().string());
        const std::string failed = "kalvista: Failed: " + file.string() + ": ";
        const auto line = std::find_if(lines.begin(), lines.end(),
                                       [&](const auto& l) { return l.second.rfind(failed, 0) == 0; });
        ASSERT_NE(line, lines.end()) << Joined(lines);
        EXPECT_NE(line->second.find(reason), std::string::npos) << line->second;
        std::printf("%-26s failed after %4.1f s: %s\n", file.filename().c_str(), line->first - previous,
                    line->second.substr(failed.size()).c_str());
        EXPECT_LT(line->first - previous, 5.0);
        previous = line->first;
    }
    EXPECT_TRUE(fs::is_empty(dir / "none"));
}

}  // namespace
