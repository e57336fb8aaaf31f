// Fast rendering with the real parts: presentations made by the office, the
// office drawing their slides, the real ffmpeg converting; the videos are read
// back by ffmpeg at chosen times.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include <QApplication>

#include "app/batch/FastRenderRunner.h"
#include "app/core/SettingsCatalogue.h"
#include "platform/automation/uno/UnoShowStage.h"
#include "platform/automation/uno/UnoSlideDrawing.h"
#include "platform/core/MessageBox.h"
#include "rendering/FastRender.h"
#include "support/OoxmlDeck.h"
#include "support/ShellOutput.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"
#include "support/office/TestOffice.h"

namespace {

namespace fs = std::filesystem;
using kvtest::SlideDesign;

constexpr std::uint32_t kRed = 0xD01010, kGreen = 0x10B020, kBlue = 0x1030E0, kWhite = 0xFFFFFF;

// The video as a player shows it, 25 pictures a second: the colour
// (0xRRGGBB) at the centre of each.
class ShownColours {
public:
    explicit ShownColours(const fs::path& video) {
        m_pixels = kvtest::ShellOutput("ffmpeg -v error -i '" + video.string() +
                       "' -vf fps=25,crop=2:2 -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
    }
    std::uint32_t At(double seconds) const {
        const size_t at = static_cast<size_t>(seconds * 25) * 12;
        if (at + 3 > m_pixels.size()) return 0xFFFFFFFF;
        auto byte = [&](size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(m_pixels[at + i])); };
        return byte(0) << 16 | byte(1) << 8 | byte(2);
    }

private:
    std::string m_pixels;
};

double Seconds(const fs::path& video) {
    const std::string out =
        kvtest::ShellOutput("ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 '" + video.string() + "'");
    return out.empty() ? -1 : std::stod(out);
}

// Each channel within `slack` of the expected colour (the video is compressed).
bool Near(std::uint32_t colour, std::uint32_t expected, int slack = 40) {
    for (int shift : {16, 8, 0})
        if (std::abs(int(colour >> shift & 0xFF) - int(expected >> shift & 0xFF)) > slack) return false;
    return true;
}

class FastRenderTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (const char* build = std::getenv("KALVISTA_BINARY_DIR"))
            setenv("KALVISTA_OFFICE_PROFILES", (std::string(build) + "/office-profiles").c_str(), 0);
        xvfb = new kvtest::XvfbServer("1280x1024x24");
        files = new kvtest::TempDir("kalvista-render");
        {
            kvtest::TestOffice maker;
            maker.MakePresentation(*files / "order.odp",
                                   {{kRed}, {kGreen}, {kWhite, 0, 0, true}, {kBlue}});
            maker.MakePresentation(*files / "fade.odp", {{kRed}, {kGreen, 0, 1.0}});
            maker.MakePresentation(*files / "timed.pptx", {{kRed, 1}, {kGreen, 3}, {kBlue}});
        }
        kvtest::MakeOoxmlDeck(*files / "titled.pptx", kvtest::ThreeTextSlides());
        std::string why;
        office = kv::StartSlideDrawingOffice(&why).release();
        ASSERT_NE(office, nullptr) << why;
        stages = new kv::StagePool(kv::StartUnoShowStage, 320, 240, 1);
    }
    static void TearDownTestSuite() {
        delete stages;
        delete office;
        delete files;
        delete xvfb;
    }
    kv::FastRenderResult Render(const std::string& deck, int mode, double seconds, const std::string& format = "MP4") {
        request.presentation = (*files / deck).string();
        request.output = (*files / (fs::path(deck).stem().string() + "." + format)).string();
        request.format = format;
        request.width = 320;
        request.height = 240;
        request.fps = 25;
        request.captureMode = mode;
        request.seconds = seconds;
        request.workFolder = files->path().string();
        fs::remove(request.output);
        return kv::RenderFast(*office, *stages, request);
    }
    static kvtest::XvfbServer* xvfb;
    static kvtest::TempDir* files;
    static kv::SlideDrawingOffice* office;
    static kv::StagePool* stages;
    kv::FastRenderRequest request;
};
kvtest::XvfbServer* FastRenderTest::xvfb = nullptr;
kvtest::TempDir* FastRenderTest::files = nullptr;
kv::SlideDrawingOffice* FastRenderTest::office = nullptr;
kv::StagePool* FastRenderTest::stages = nullptr;

TEST_F(FastRenderTest, SlidesInOrderForTheirTimeWithoutTheHiddenOne) {
    for (const std::string format : {"MP4", "AVI"}) {
        const auto result = Render("order.odp", 2, 2, format);
        ASSERT_TRUE(result.ok) << result.error;
        ASSERT_EQ(result.timeline.slides.size(), 3u);
        EXPECT_EQ(result.timeline.slides[2].number, 4);
        EXPECT_DOUBLE_EQ(result.timeline.slides[2].start, 4);
        const fs::path video = request.output;
        EXPECT_NEAR(Seconds(video), 6.0, 0.1) << format;
        // What players take: 4:2:0 H.264, in the AVI as in the MP4.
        EXPECT_EQ(kvtest::ShellOutput("ffprobe -v error -select_streams v -show_entries stream=codec_name,pix_fmt -of csv=p=0 '" +
                        video.string() + "'"),
                  "h264,yuv420p\n")
            << format;
        const ShownColours shown(video);
        const std::uint32_t expected[] = {kRed, kGreen, kBlue};
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(Near(shown.At(2.0 * i + 1), expected[i]))
                << format << " slide " << i + 1 << " shows " << std::hex << shown.At(2.0 * i + 1);
    }
    // Nothing of the rendering is left behind but the videos and the presentations.
    for (const auto& entry : fs::directory_iterator(files->path()))
        EXPECT_EQ(entry.path().filename().string().rfind("~Render", 0), std::string::npos) << entry.path();
}

// The fade is the office's own, recorded from its show: it moves from red
// to green over its second, picture by picture, and the green stays.
TEST_F(FastRenderTest, ATransitionMovesAsTheShowPlaysIt) {
    const auto result = Render("fade.odp", 2, 2);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.movingStretches, 1u);
    const fs::path video = request.output;
    EXPECT_NEAR(Seconds(video), 4.0, 0.1);
    const ShownColours shown(video);
    EXPECT_TRUE(Near(shown.At(1.0), kRed));
    int lastRed = 0x100, between = 0;
    for (double at = 2.0; at < 3.2; at += 0.04) {
        const std::uint32_t colour = shown.At(at);
        const int red = colour >> 16 & 0xFF;
        EXPECT_LE(red, lastRed + 8) << "the fade never goes back, at " << at << ": " << std::hex << colour;
        lastRed = red;
        between += !Near(colour, kRed) && !Near(colour, kGreen);
    }
    EXPECT_GE(between, 10) << "a fade of a second shows at least ten pictures between the colours";
    EXPECT_TRUE(Near(shown.At(3.5), kGreen));
}

TEST_F(FastRenderTest, OwnTimingsAndTheSecondsWhereASlideHasNone) {
    const auto result = Render("timed.pptx", 1, 2);
    ASSERT_TRUE(result.ok) << result.error;
    const fs::path video = request.output;
    EXPECT_NEAR(Seconds(video), 6.0, 0.1);
    const ShownColours shown(video);
    EXPECT_TRUE(Near(shown.At(0.5), kRed));
    EXPECT_TRUE(Near(shown.At(2.5), kGreen));
    EXPECT_TRUE(Near(shown.At(5.0), kBlue));
}

// The slides' titles become the video's chapters, at each slide's start, as
// in a recorded video; slides without a title are named by their number.
TEST_F(FastRenderTest, ChaptersNameTheRenderedSlidesAtTheirStarts) {
    auto result = Render("titled.pptx", 2, 2);
    ASSERT_TRUE(result.ok) << result.error;
    const std::string probe = "ffprobe -v error -show_entries chapter=start_time:chapter_tags=title -of csv=p=0 '";
    EXPECT_EQ(kvtest::ShellOutput(probe + request.output + "'"),
              "0.000000,Quarterly review\n2.000000,Agenda\n4.000000,Results\n");
    EXPECT_EQ(kvtest::ShellOutput("cat '" + fs::path(request.output).replace_extension(".chapters.txt").string() + "'"),
              "0:00 Quarterly review\n0:02 Agenda\n0:04 Results\n");

    result = Render("order.odp", 2, 2);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(kvtest::ShellOutput(probe + request.output + "'"), "0.000000,Slide 1\n2.000000,Slide 2\n4.000000,Slide 4\n");
}

TEST_F(FastRenderTest, PresenterModeAndABrokenFileAreRefusedWithoutAVideo) {
    auto result = Render("order.odp", 3, 2);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, kv::kPresenterModeRefusal);
    EXPECT_FALSE(fs::exists(request.output));

    { std::ofstream(*files / "broken.pptx") << "not a presentation"; }
    result = Render("broken.pptx", 2, 2);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("not a presentation"), std::string::npos) << result.error;
    EXPECT_FALSE(fs::exists(request.output));
}

// The decoded pictures with their times, one checksum line each.
std::string FrameChecksums(const fs::path& video) {
    return kvtest::ShellOutput("ffmpeg -v error -i '" + video.string() + "' -f framemd5 - 2>/dev/null | grep -v '^#'");
}

// `kalvista --convert A B C --fast`: a broken presentation among good ones
// fails alone, one line each, and two jobs make the same videos as one.
TEST_F(FastRenderTest, SeveralPresentationsInOneCall) {
    const char* build = std::getenv("KALVISTA_BINARY_DIR");
    ASSERT_NE(build, nullptr);
    { std::ofstream(*files / "damaged.odp") << "not a presentation"; }
    kvtest::ScopedRegistry registry;
    auto convert = [&](const std::string& folder, const std::string& jobs) {
        fs::create_directories(*files / folder);
        return kvtest::ShellOutput("cd '" + files->path().string() + "' && '" + build + "/src/app/kalvista' --convert order.odp damaged.odp fade.odp"
                   " --output " + folder + " --fast --jobs " + jobs + " --seconds 1 --size 160x120 2>&1; echo status=$?");
    };
    const std::string two = convert("two", "2");
    EXPECT_NE(two.find("Video: " + (*files / "two/order.mp4").string()), std::string::npos) << two;
    EXPECT_NE(two.find("Video: " + (*files / "two/fade.mp4").string()), std::string::npos) << two;
    EXPECT_NE(two.find("Failed: " + (*files / "damaged.odp").string() + ": "), std::string::npos) << two;
    EXPECT_NE(two.find("status=1"), std::string::npos) << two;
    EXPECT_FALSE(fs::exists(*files / "two/damaged.mp4"));

    const std::string one = convert("one", "1");
    EXPECT_NE(one.find("status=1"), std::string::npos) << one;
    // Still slides come out the same to the bit; a fade recorded from the
    // show starts from the same still picture and ends where it should,
    // though no two plays of a show are grabbed at exactly the same instants.
    const std::string frames = FrameChecksums(*files / "one/order.mp4");
    EXPECT_FALSE(frames.empty());
    EXPECT_EQ(frames, FrameChecksums(*files / "two/order.mp4"));
    const std::string fadeOne = FrameChecksums(*files / "one/fade.mp4"), fadeTwo = FrameChecksums(*files / "two/fade.mp4");
    EXPECT_EQ(fadeOne.substr(0, fadeOne.find('\n')), fadeTwo.substr(0, fadeTwo.find('\n')));
    EXPECT_NEAR(Seconds(*files / "one/fade.mp4"), Seconds(*files / "two/fade.mp4"), 0.01);
}

}  // namespace

// The wizard's Convert with "Render fast" chosen: the office renders what
// Convert stored, the container is never asked, and the user is told the
// outcome; without the choice the container runs.
TEST_F(FastRenderTest, TheWizardsConvertRendersWhatItStored) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "rendering_office_test";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    kvtest::ScopedRegistry registry;
    auto boxes = std::make_shared<kv::RecordingMessageBox>();
    kv::SetMessageBoxService(boxes);
    struct Container : kv::ContainerRunner {
        int runs = 0;
        int RunContainer(const kv::ContainerRequest&) override { return ++runs; }
    };
    auto owned = std::make_unique<Container>();
    Container& container = *owned;
    kv::FastRenderRunner runner(std::move(owned));

    const fs::path video = *files / "wizard.mp4";
    fs::remove(video);
    kv::settings::OutputFileName.Set(video.string());
    kv::settings::OutputFormat.Set("MP4");
    kv::settings::FrameRate.Set(25);
    kv::settings::RunVideo.Set(0);
    kv::ContainerRequest request;
    request.presentationPath = (*files / "order.odp").string();
    request.captureMode = 2;
    request.secondsPerSlide = 1;
    request.width = 320;
    request.height = 240;
    request.renderFast = true;
    EXPECT_EQ(runner.RunContainer(request), 1);
    EXPECT_EQ(container.runs, 0);
    EXPECT_EQ(boxes->Texts(), std::vector<std::string>{"The video is ready:\n" + video.string()});
    EXPECT_NEAR(Seconds(video), 3.0, 0.1);
    const ShownColours colours(video);
    EXPECT_TRUE(Near(colours.At(0.5), kRed));
    EXPECT_TRUE(Near(colours.At(1.5), kGreen));
    EXPECT_TRUE(Near(colours.At(2.5), kBlue)) << "the hidden white slide is left out";

    // A broken presentation: the reason, and the name Convert reserved is freed.
    { std::ofstream(*files / "broken.pptx") << "not a presentation"; }
    fs::remove(video);
    { std::ofstream reserved(video); }
    request.presentationPath = (*files / "broken.pptx").string();
    EXPECT_EQ(runner.RunContainer(request), 0);
    ASSERT_EQ(boxes->Texts().size(), 2u);
    EXPECT_EQ(boxes->Texts()[1].rfind("Conversion failed: ", 0), 0u) << boxes->Texts()[1];
    EXPECT_NE(boxes->Texts()[1].find("not a presentation"), std::string::npos) << boxes->Texts()[1];
    EXPECT_FALSE(fs::exists(video));

    request.renderFast = false;
    EXPECT_EQ(runner.RunContainer(request), 1);
    EXPECT_EQ(container.runs, 1);
    kv::SetMessageBoxService(nullptr);
}
