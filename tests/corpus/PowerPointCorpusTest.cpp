// Decks that PowerPoint itself wrote (the public test decks of the Open XML
// SDK and of python-pptx, listed with their origin and checksum in
// powerpoint-decks.tsv): charts of every kind, tables, SmartArt, shapes
// grouped, rotated, shadowed and in 3D, pictures cropped and rotated,
// gradients, placeholders inherited from masters, 4:3, 16:9 and custom
// sizes. Each goes through `kalvista --convert` twice, recorded and drawn
// (--fast), in one batch each (one shared office), and every shown slide is
// compared three ways: the recorded picture late in the slide's time (its
// effects have run), the drawn picture, and the office's own drawing of the
// page placed in the video's picture. The decks are treated as hostile: the
// test runs, with every office and program it starts, without a network.
#include <gtest/gtest.h>
#include <sched.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "corpus/SlideFrames.h"
#include "platform/automation/uno/UnoSlideDrawing.h"
#include "support/RecordedFile.h"
#include "support/ShellOutput.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"

namespace {

namespace fs = std::filesystem;
using namespace kvtest;

constexpr int kWidth = 640, kHeight = 480;
constexpr const char* kSeconds = "2";  // a slide's time: its effects (given their clicks) end within it
constexpr double kBeforeNext = 0.3;    // a slide is compared this long before the next one comes
constexpr double kLeastPsnr = 30.0;

// Decks whose recorded pictures do not reach kLeastPsnr (against the drawn
// picture and the office's drawing), each with the floor it is held to and
// why. Drawn pictures reach kLeastPsnr for every deck.
struct Below {
    const char* deck;
    double least;
    const char* reason;
};
constexpr const char* kChartDrawing =
    "the show draws a chart's thin lines and small text unlike the office's drawing of the page (about 25 dB, "
    "whether the show draws the chart itself or as its picture of the right size)";
constexpr const char* kSoftEffects = "the show draws soft shadows, reflections, soft edges and 3D rotation unlike the "
                                     "office's drawing of the page";
constexpr const char* kPictureScaling = "the show scales bitmap pictures with a filter of its own";
const Below kBelow[] = {
    {"chart-3d-box-in-by-category.pptx", 23, kChartDrawing},
    {"chart-column-3d.pptx", 28, kChartDrawing},
    {"charts-axes-mac2016.pptx", 24, kChartDrawing},
    {"charts-bubble-and-gaps.pptx", 24, kChartDrawing},
    {"charts-data-labels.pptx", 24, kChartDrawing},
    {"charts-every-kind.pptx", 24, kChartDrawing},
    {"charts-legend-places.pptx", 24, kChartDrawing},
    {"charts-legend.pptx", 24, kChartDrawing},
    {"charts-titles.pptx", 23, kChartDrawing},
    {"shapes-3d-rotation.pptx", 24, kSoftEffects},
    {"shapes-reflection.pptx", 24, kSoftEffects},
    {"shapes-shadow.pptx", 24, kSoftEffects},
    {"shapes-soft-edges.pptx", 25, kSoftEffects},
    {"photo-album.pptx", 25, kPictureScaling},
    {"picture.pptx", 26, kPictureScaling},
    {"picture-3d-rotation.pptx", 26, kPictureScaling},
    {"picture-cropped.pptx", 27, kPictureScaling},
    {"smartart-widescreen.pptx", 29, "its SmartArt's soft shadows, drawn by the show unlike the office's drawing"},
    {"effects.pptx", 8, "its second slide's motion path runs past the slide's time: the picture is still moving"},
    {"gradients-tables-pictures.pptx", 17,
     "text built letter by letter and pictures flown in take longer than a slide's time; soft shadows"},
    {"typical-2007.pptx", 10,
     "the show is on slide 10 while the video's chapter still names slide 9 (the recorded slide times lag the show "
     "by more than 0.3 s there)"},
};

struct ListedDeck {
    std::string file, sha256;
};

std::vector<ListedDeck> ListedDecks() {
    const char* source = std::getenv("KALVISTA_SOURCE_DIR");
    std::ifstream list(fs::path(source ? source : ".") / "tests/corpus/powerpoint-decks.tsv");
    std::vector<ListedDeck> decks;
    for (std::string line; std::getline(list, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        ListedDeck deck;
        std::getline(fields, deck.file, '\t');
        std::getline(fields, deck.sha256, '\t');
        decks.push_back(deck);
    }
    return decks;
}

// The decks' folder: KALVISTA_POWERPOINT_DECKS, or shared/powerpoint-decks
// beside the source tree or above it. Empty when there is none.
fs::path DeckFolder() {
    if (const char* named = std::getenv("KALVISTA_POWERPOINT_DECKS"); named && *named) return named;
    const char* source = std::getenv("KALVISTA_SOURCE_DIR");
    for (fs::path at = fs::absolute(source ? source : "."); !at.empty(); at = at.parent_path()) {
        if (fs::is_directory(at / "shared/powerpoint-decks")) return at / "shared/powerpoint-decks";
        if (at == at.parent_path()) break;
    }
    return {};
}

std::string Sha256(const fs::path& file) {
    const std::string out = ShellOutput("sha256sum '" + file.string() + "'");
    return out.substr(0, out.find(' '));
}

// The slide's width / height, from the deck's own presentation part.
double Aspect(const fs::path& deck) {
    const std::string size = ShellOutput(
        "python3 -c \"import re,sys,zipfile; x=zipfile.ZipFile(sys.argv[1]).read('ppt/presentation.xml').decode(); "
        "m=re.search(r'<p:sldSz[^>]*cx=.(\\d+).[^>]*cy=.(\\d+)', x); print(int(m.group(1))/int(m.group(2)))\" '" +
        deck.string() + "'");
    return std::atof(size.c_str());
}

const Below* Exception(const std::string& deck) {
    for (const Below& below : kBelow)
        if (deck == below.deck) return &below;
    return nullptr;
}

// The rows and columns of black around a picture's slide: the first and last
// that are not black, from each side.
Place Unblack(const kv::media::OwnedPicture& picture) {
    const auto black = [&](int x, int y) {
        const std::uint8_t* p = &picture.pixels[4 * (static_cast<size_t>(y) * picture.width + x)];
        return std::max({p[0], p[1], p[2]}) <= 24;
    };
    const auto rowBlack = [&](int y) {
        for (int x = 0; x < picture.width; ++x)
            if (!black(x, y)) return false;
        return true;
    };
    const auto columnBlack = [&](int x) {
        for (int y = 0; y < picture.height; ++y)
            if (!black(x, y)) return false;
        return true;
    };
    int top = 0, bottom = picture.height - 1, left = 0, right = picture.width - 1;
    while (top < bottom && rowBlack(top)) ++top;
    while (bottom > top && rowBlack(bottom)) --bottom;
    while (left < right && columnBlack(left)) ++left;
    while (right > left && columnBlack(right)) --right;
    return {left, top, right - left + 1, bottom - top + 1};
}

// With KALVISTA_CORPUS_PICTURES naming a folder, the three pictures of each
// slide are kept there (recorded, drawn, the office's), to look at.
void KeepForALook(const std::string& deck, int slide, std::initializer_list<const kv::media::OwnedPicture*> pictures) {
    const char* folder = std::getenv("KALVISTA_CORPUS_PICTURES");
    if (!folder || !*folder) return;
    fs::create_directories(folder);
    const char* kinds[] = {"recorded", "drawn", "office"};
    int i = 0;
    for (const kv::media::OwnedPicture* picture : pictures) {
        const fs::path file = fs::path(folder) / (fs::path(deck).stem().string() + "-" + std::to_string(slide) + "-" +
                                                  kinds[i++] + ".png");
        if (!picture->pixels.empty()) kv::media::WritePictureFile(file.string(), *picture, nullptr);
    }
}

// Only the decks KALVISTA_POWERPOINT_ONLY names (comma-separated), when it is set: to look at a few again.
bool Chosen(const std::string& deck) {
    const char* only = std::getenv("KALVISTA_POWERPOINT_ONLY");
    return !only || !*only || ("," + std::string(only) + ",").find("," + deck + ",") != std::string::npos;
}

class PowerPointCorpusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Nothing a deck links to can be fetched: from here on this program and
        // every program it starts (the display, the offices, kalvista) have
        // no network but their own unconnected loopback.
        isolated = ::unshare(CLONE_NEWNET) == 0;
        if (!isolated) std::printf("not isolated from the network (unshare needs root here): decks could reach it\n");
        xvfb = new XvfbServer("1920x1200x24");
    }
    static void TearDownTestSuite() {
        EndDrawingOffice();
        delete xvfb;
    }

    // The listed decks, each checked against its checksum; empty (and the
    // test skipped) when the folder is not there.
    std::vector<fs::path> Decks() {
        const fs::path folder = DeckFolder();
        if (folder.empty()) return {};
        std::vector<fs::path> decks;
        for (const ListedDeck& listed : ListedDecks()) {
            const fs::path file = folder / listed.file;
            EXPECT_TRUE(fs::is_regular_file(file)) << file;
            EXPECT_EQ(Sha256(file), listed.sha256) << file << " is not the listed deck";
            if (Chosen(listed.file)) decks.push_back(file);
        }
        return decks;
    }

    // The picture of each shown slide at the end of its time, its effects run, for the deck's video.
    std::vector<kv::media::OwnedPicture> ShownPictures(const fs::path& video, const std::vector<kv::SlideFacts>& shown) {
        const std::vector<Chapter> chapters = Chapters(video);
        EXPECT_EQ(chapters.size(), shown.size()) << video;
        if (chapters.size() != shown.size()) return {};
        std::vector<double> times;
        for (size_t k = 0; k < shown.size(); ++k) {
            times.push_back(std::max(chapters[k].start + shown[k].transitionSeconds, chapters[k].end - kBeforeNext));
        }
        return PicturesShownAt(video, times);
    }

    static inline XvfbServer* xvfb = nullptr;
    static inline bool isolated = false;
    TempDir dir{"kalvista-powerpoint"};
};

TEST_F(PowerPointCorpusTest, EverySlideLooksTheSameRecordedDrawnAndAsTheOfficeDrawsIt) {
    const std::vector<fs::path> decks = Decks();
    if (decks.empty()) GTEST_SKIP() << "no folder of PowerPoint decks (shared/powerpoint-decks or KALVISTA_POWERPOINT_DECKS)";
    if (!std::getenv("KALVISTA_POWERPOINT_ONLY")) {
        ASSERT_GE(decks.size(), 40u);
    }
    const fs::path recorded = dir / "recorded", drawn = dir / "drawn";
    fs::create_directories(recorded);
    fs::create_directories(drawn);
    // One deck alone (when a few are looked at again) makes a file, several a folder of them.
    const auto into = [&](const fs::path& folder) {
        return decks.size() == 1 ? folder / (decks.front().stem().string() + ".mp4") : folder;
    };
    const Lines recordedLines = ConvertWithKalvista(dir / "recording", decks, into(recorded),
                                                    {"--mode", "auto", "--seconds", kSeconds}, {}, nullptr, 900);
    const Lines drawnLines = ConvertWithKalvista(dir / "drawing", decks, into(drawn), {"--fast", "--seconds", kSeconds}, {},
                                                 nullptr, 300);
    std::printf("%-34s %6s  %-22s  %s\n", "Deck", "slides", "least PSNR dB rec:drawn", "rec:office drawn:office");
    for (const fs::path& deck : decks) {
        const std::string name = deck.filename().string();
        SCOPED_TRACE(name);
        const fs::path recordedVideo = VideoOf(recordedLines, name), drawnVideo = VideoOf(drawnLines, name);
        ASSERT_FALSE(recordedVideo.empty()) << Joined(recordedLines);
        ASSERT_FALSE(drawnVideo.empty()) << Joined(drawnLines);
        std::string why;
        std::unique_ptr<kv::SlidePictures> pictures = DrawingOffice().Open(deck.string(), &why);
        ASSERT_TRUE(pictures) << why;
        std::vector<kv::SlideFacts> shown;
        for (const kv::SlideFacts& slide : pictures->Slides())
            if (!slide.hidden) shown.push_back(slide);
        const auto fromShow = ShownPictures(recordedVideo, shown), fromDrawing = ShownPictures(drawnVideo, shown);
        ASSERT_EQ(fromShow.size(), shown.size());
        ASSERT_EQ(fromDrawing.size(), shown.size());
        const double aspect = Aspect(deck);
        double leastBetween = 99, leastShow = 99, leastDrawn = 99;
        for (size_t k = 0; k < shown.size(); ++k) {
            const kv::media::OwnedPicture office =
                Expected(*pictures, shown[k].number, aspect, kWidth, kHeight, dir.path(), true, &why);
            EXPECT_FALSE(office.pixels.empty()) << why;
            const double between = Psnr(fromShow[k], fromDrawing[k]), show = Psnr(fromShow[k], office),
                         drawnOne = Psnr(fromDrawing[k], office);
            std::printf("  slide %2d: %5.1f %5.1f %5.1f\n", shown[k].number, between, show, drawnOne);
            KeepForALook(name, shown[k].number, {&fromShow[k], &fromDrawing[k], &office});
            leastBetween = std::min(leastBetween, between);
            leastShow = std::min(leastShow, show);
            leastDrawn = std::min(leastDrawn, drawnOne);
        }
        const Below* below = Exception(name);
        const double floor = below ? below->least : kLeastPsnr;
        EXPECT_GE(leastBetween, floor) << "recorded against drawn";
        EXPECT_GE(leastShow, floor) << "recorded against the office's drawing";
        EXPECT_GE(leastDrawn, kLeastPsnr) << "drawn against the office's drawing";
        std::printf("%-34s %6zu  %5.1f  %5.1f  %5.1f  held to %.0f%s%s\n", name.c_str(), shown.size(), leastBetween,
                    leastShow, leastDrawn, floor, below ? ": " : "", below ? below->reason : "");
    }
}

// A wide deck in a 4:3 video is letterboxed and a 4:3 deck in a wide video
// pillarboxed, alike in both paths: the same black bands, to the pixel,
// where the slide's shape puts them.
TEST_F(PowerPointCorpusTest, BothPathsPutTheSameBlackBandsAroundASlideOfAnotherShape) {
    const std::vector<fs::path> decks = Decks();
    if (decks.empty()) GTEST_SKIP() << "no folder of PowerPoint decks (shared/powerpoint-decks or KALVISTA_POWERPOINT_DECKS)";
    struct Case {
        const char* deck;
        int width, height;
    };
    for (const Case& c : {Case{"size-widescreen-2016.pptx", 640, 480}, Case{"chart-column.pptx", 1280, 720}}) {
        SCOPED_TRACE(c.deck);
        const fs::path deck = decks.front().parent_path() / c.deck;
        const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
        std::vector<Place> places;
        for (const std::vector<std::string>& path :
             {std::vector<std::string>{"--mode", "auto"}, std::vector<std::string>{"--fast"}}) {
            const fs::path video = dir / (std::string(path[0] == "--fast" ? "drawn-" : "recorded-") + size + ".mp4");
            std::vector<std::string> arguments = path;
            arguments.insert(arguments.end(), {"--seconds", "2", "--size", size});
            const Lines lines = ConvertWithKalvista(dir / "bands", {deck}, video, arguments);
            ASSERT_TRUE(fs::exists(video)) << Joined(lines);
            places.push_back(Unblack(PicturesShownAt(video, {1e9}).front()));  // the last picture
        }
        const Place wanted = SlidePlace(Aspect(deck), c.width, c.height);
        for (const Place& place : places) {
            EXPECT_EQ(place.left, wanted.left);
            EXPECT_EQ(place.top, wanted.top);
            EXPECT_EQ(place.width, wanted.width);
            EXPECT_EQ(place.height, wanted.height);
        }
        std::printf("%s at %s: the slide at %d,%d %dx%d recorded, %d,%d %dx%d drawn\n", c.deck, size.c_str(),
                    places[0].left, places[0].top, places[0].width, places[0].height, places[1].left, places[1].top,
                    places[1].width, places[1].height);
    }
}

}  // namespace
