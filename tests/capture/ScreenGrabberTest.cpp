#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <thread>

#include "platform/core/Trace.h"
#include "platform/x11/ScreenGrabber.h"
#include "support/PatternWindow.h"
#include "support/Xvfb.h"

using kv::GrabberOptions;
using kv::GrabberStatus;
using kv::ScreenGrabber;
using kv::ScreenRect;
using kvtest::PatternWindow;

namespace {

constexpr int kLeft = 100, kTop = 80, kWidth = 640, kHeight = 360;
constexpr std::uint32_t kPointerColour = 0xFF00FF;

class ScreenGrabberTest : public ::testing::Test {
protected:
    // The screen in shared memory, so a test can draw behind the server's back.
    static void SetUpTestSuite() {
        s_xvfb = std::make_unique<kvtest::XvfbServer>("1920x1080x24", /*withShm=*/true, /*sharedScreen=*/true);
    }
    static void TearDownTestSuite() { s_xvfb.reset(); }

    void SetUp() override { m_window.emplace(kLeft, kTop, kWidth, kHeight); }

    // Grabs and checks that the frame shows the index the window shows now.
    void ExpectShowsWindow(ScreenGrabber& grabber) {
        int before = m_window->CurrentIndex();
        ASSERT_TRUE(grabber.Grab());
        // The drawing may jump ahead of what it has noted: bound it by its clock.
        int after = static_cast<int>((std::chrono::steady_clock::now() - m_window->start()) /
                                     std::chrono::milliseconds(m_window->stepMs()));
        int shown = PatternWindow::DecodeIndex(grabber.Frame(), kWidth, kHeight);
        EXPECT_GE(shown, before);
        EXPECT_LE(shown, after + 1);
    }

    static bool IsPointerColour(const std::uint8_t* p) {
        return p[2] == 0xFF && p[1] == 0x00 && p[0] == 0xFF;
    }

    static std::unique_ptr<kvtest::XvfbServer> s_xvfb;
    std::optional<PatternWindow> m_window;
};

std::unique_ptr<kvtest::XvfbServer> ScreenGrabberTest::s_xvfb;

TEST_F(ScreenGrabberTest, RootPathGrabsTheAreaThroughSharedMemory) {
    ScreenGrabber grabber;
    ASSERT_EQ(grabber.Open({kLeft, kTop, kWidth, kHeight}, {}, 2), GrabberStatus::Ok);
    EXPECT_EQ(grabber.Source(), kv::GrabSource::Root);
    EXPECT_TRUE(grabber.UsesShm());
    ASSERT_EQ(grabber.Images(), 2);
    const std::uint8_t* first = grabber.Frame(0).pixels;
    for (int i = 0; i < 5; ++i) {
        ExpectShowsWindow(grabber);
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
    }
    EXPECT_EQ(grabber.Frame(0).pixels, first);  // made once, reused
    // The second image is filled on its own; the first keeps its picture.
    const int before = PatternWindow::DecodeIndex(grabber.Frame(0), kWidth, kHeight);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(grabber.Grab(1));
    EXPECT_GT(PatternWindow::DecodeIndex(grabber.Frame(1), kWidth, kHeight), before);
    EXPECT_EQ(PatternWindow::DecodeIndex(grabber.Frame(0), kWidth, kHeight), before);
    EXPECT_FALSE(grabber.Grab(2));
}

TEST_F(ScreenGrabberTest, WindowPathGrabsTheWindowsOwnPixels) {
    GrabberOptions options;
    options.window = m_window->window();
    options.forceWindowPath = true;
    ScreenGrabber grabber;
    ASSERT_EQ(grabber.Open({kLeft, kTop, kWidth, kHeight - 46}, options), GrabberStatus::Ok);
    EXPECT_EQ(grabber.Source(), kv::GrabSource::Window);
    ExpectShowsWindow(grabber);

    // The same choice through the environment, as a user would make it.
    setenv("KALVISTA_CAPTURE_SOURCE", "window", 1);
    GrabberOptions plain;
    plain.window = m_window->window();
    ScreenGrabber byEnvironment;
    ASSERT_EQ(byEnvironment.Open({kLeft, kTop, kWidth, kHeight}, plain), GrabberStatus::Ok);
    unsetenv("KALVISTA_CAPTURE_SOURCE");
    EXPECT_EQ(byEnvironment.Source(), kv::GrabSource::Window);
    ExpectShowsWindow(byEnvironment);

    // A window that does not exist cannot be grabbed.
    options.window = 0x7FFFFFF;
    ScreenGrabber missing;
    EXPECT_EQ(missing.Open({kLeft, kTop, kWidth, kHeight}, options), GrabberStatus::NoImage);
}

TEST_F(ScreenGrabberTest, PointerIsDrawnWithItsHotSpotOnThePointerPosition) {
    const int hotX = 5, hotY = 7, size = 16, pointerX = 300, pointerY = 200;
    m_window->SetSquarePointer(size, hotX, hotY, kPointerColour);
    m_window->MovePointer(pointerX, pointerY);

    GrabberOptions options;
    options.drawCursor = true;
    ScreenGrabber grabber;
    ASSERT_EQ(grabber.Open({kLeft, kTop, kWidth, kHeight}, options), GrabberStatus::Ok);
    ASSERT_TRUE(grabber.CursorAvailable());
    ASSERT_TRUE(grabber.Grab());
    const kv::FrameImage& frame = grabber.Frame();
    const int left = pointerX - hotX - kLeft, top = pointerY - hotY - kTop;
    auto at = [&](int x, int y) { return frame.Row(y) + x * 4; };
    EXPECT_TRUE(IsPointerColour(at(pointerX - kLeft, pointerY - kTop)));  // the hot spot itself
    EXPECT_TRUE(IsPointerColour(at(left, top)));
    EXPECT_TRUE(IsPointerColour(at(left + size - 1, top + size - 1)));
    EXPECT_FALSE(IsPointerColour(at(left - 1, top)));
    EXPECT_FALSE(IsPointerColour(at(left, top - 1)));
    EXPECT_FALSE(IsPointerColour(at(left + size, top + size - 1)));

    // Without the cursor option no pointer pixels appear.
    ScreenGrabber plain;
    ASSERT_EQ(plain.Open({kLeft, kTop, kWidth, kHeight}, {}), GrabberStatus::Ok);
    ASSERT_TRUE(plain.Grab());
    int pointerPixels = 0;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) pointerPixels += IsPointerColour(plain.Frame().Row(y) + x * 4);
    EXPECT_EQ(pointerPixels, 0);
}

// Polls Changed() for up to `ms`: the server reports drawing asynchronously.
bool ChangedWithin(ScreenGrabber& grabber, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!grabber.Changed()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Grabs, then expects no change while the window keeps its picture. Drawing
// the window sent before a grab may reach the screen after it on a busy
// machine, so a few grabs are allowed for the screen to settle.
void ExpectUnchangedAfterGrab(ScreenGrabber& grabber, const PatternWindow& window) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int shown = window.CurrentIndex();
        ASSERT_TRUE(grabber.Grab());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const bool changed = grabber.Changed();
        if (window.CurrentIndex() == shown && !changed) return;
    }
    ADD_FAILURE() << "a window that keeps its picture is reported changed after every grab";
}

TEST_F(ScreenGrabberTest, KnowsWhenTheAreaIsUnchangedSinceTheLastGrab) {
    m_window.reset();
    m_window.emplace(kLeft, kTop, kWidth, kHeight, 700);  // a new picture every 0.7 s
    GrabberOptions options;
    options.drawCursor = true;
    ScreenGrabber grabber;
    ASSERT_EQ(grabber.Open({kLeft, kTop, kWidth, kHeight}, options), GrabberStatus::Ok);
    EXPECT_TRUE(grabber.Changed());  // nothing grabbed yet
    ExpectUnchangedAfterGrab(grabber, *m_window);

    // The window (a child of the root) draws its next picture.
    const int shown = m_window->CurrentIndex();
    while (m_window->CurrentIndex() == shown) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(ChangedWithin(grabber, 500));
    EXPECT_TRUE(grabber.Changed());  // until the next grab
    ExpectUnchangedAfterGrab(grabber, *m_window);

    // A moved pointer is a change when the pointer is drawn.
    m_window->MovePointer(kLeft + 50, kTop + 60);
    EXPECT_TRUE(ChangedWithin(grabber, 500));
}

// A change the X server has carried out is a change at the very next
// question, never one pass later: the window drawing in a child of the area
// syncs each picture, and the grabber is asked at once, many times over.
TEST_F(ScreenGrabberTest, DrawingTheServerHasDoneIsAChangeAtTheNextQuestion) {
    m_window.reset();
    m_window.emplace(kLeft, kTop, kWidth, kHeight, 15);
    ScreenGrabber grabber;
    ASSERT_EQ(grabber.Open({kLeft - 20, kTop - 20, kWidth + 40, kHeight + 40}, GrabberOptions{}), GrabberStatus::Ok);
    int missed = 0;
    for (int round = 0; round < 150; ++round) {
        ASSERT_TRUE(grabber.Grab());
        // The picture after the next one is drawn wholly after the grab (the
        // next one may have been on its way during it, and then is in it).
        const int shown = m_window->CurrentIndex();
        while (m_window->CurrentIndex() < shown + 2) std::this_thread::yield();
        missed += !grabber.Changed();
    }
    EXPECT_EQ(missed, 0) << "drawing done by the server was not seen as a change";
}

// DAMAGE is not trusted for ever: a second after the last grab the area is
// grabbed again although nothing was reported; finding the same picture, the
// grab may stand for a repeat and nothing is traced.
TEST_F(ScreenGrabberTest, AStillAreaIsGrabbedAgainEverySecondWhateverDamageSays) {
    m_window.reset();
    m_window.emplace(kLeft, kTop, kWidth, kHeight, 6000);  // one picture for the whole test
    ScreenGrabber grabber;
    ASSERT_EQ(grabber.Open({kLeft, kTop, kWidth, kHeight}, GrabberOptions{}), GrabberStatus::Ok);
    ExpectUnchangedAfterGrab(grabber, *m_window);
    EXPECT_FALSE(grabber.FoundUnchanged());  // that grab was asked for by DAMAGE
    kv::TraceCapture trace;
    for (int second = 0; second < 2; ++second) {
        const auto grabbed = std::chrono::steady_clock::now();
        ASSERT_FALSE(grabber.Changed());
        EXPECT_TRUE(ChangedWithin(grabber, 1500));
        const auto waited = std::chrono::steady_clock::now() - grabbed;
        EXPECT_GE(waited, std::chrono::milliseconds(850));
        EXPECT_LT(waited, std::chrono::milliseconds(1400));
        ASSERT_TRUE(grabber.Grab());
        EXPECT_TRUE(grabber.FoundUnchanged());
    }
    EXPECT_FALSE(trace.Contains("without a damage event"));
}

// A renderer that draws past the X server makes no damage event: the grab a
// second after the last one finds its picture, and says so in the trace.
TEST_F(ScreenGrabberTest, APictureDrawnWithoutDamageIsFoundWithinASecondAndTraced) {
    m_window.reset();
    m_window.emplace(kLeft, kTop, kWidth, kHeight, 4000);  // no new picture from the server meanwhile
    ScreenGrabber grabber;
    ASSERT_EQ(grabber.Open({kLeft, kTop, kWidth, kHeight}, GrabberOptions{}), GrabberStatus::Ok);
    ExpectUnchangedAfterGrab(grabber, *m_window);
    ASSERT_FALSE(grabber.Changed());  // the checksum of the still picture is taken here
    kv::TraceCapture trace;
    constexpr std::uint32_t kGreen = 0x00C000;
    ASSERT_TRUE(s_xvfb->PaintBehindTheServer(kLeft, kTop, kWidth, kHeight, kGreen));
    const auto painted = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(grabber.Changed()) << "the painting made a damage event: this test proves nothing";
    ASSERT_TRUE(ChangedWithin(grabber, 1500));
    EXPECT_LT(std::chrono::steady_clock::now() - painted, std::chrono::milliseconds(1400));
    ASSERT_TRUE(grabber.Grab());
    EXPECT_FALSE(grabber.FoundUnchanged());
    EXPECT_TRUE(trace.Contains("ScreenGrabber : the area changed without a damage event"));
    const kv::FrameImage& frame = grabber.Frame();
    for (int y : {0, kHeight / 2, kHeight - 1}) {
        const std::uint8_t* p = frame.Row(y) + (kWidth / 2) * 4;
        EXPECT_EQ((p[2] << 16) | (p[1] << 8) | p[0], static_cast<int>(kGreen)) << "row " << y;
    }
}

TEST_F(ScreenGrabberTest, AreaPartlyOffScreenKeepsTheRestBlack) {
    ScreenGrabber grabber;
    // 120 columns on screen, 120 beyond the right edge of the 1920-wide screen.
    ASSERT_EQ(grabber.Open({1800, 0, 240, 64}, {}), GrabberStatus::Ok);
    ASSERT_TRUE(grabber.Grab());
    const kv::FrameImage& frame = grabber.Frame();
    for (int y = 0; y < 64; ++y)
        for (int x = 120; x < 240; ++x) ASSERT_EQ(frame.Row(y)[x * 4 + 1], 0);
}

TEST_F(ScreenGrabberTest, NoDisplayAndEmptyAreaAreRefused) {
    ScreenGrabber grabber;
    EXPECT_EQ(grabber.Open({0, 0, 0, 10}, {}), GrabberStatus::NoImage);
    std::string display = std::getenv("DISPLAY");
    setenv("DISPLAY", ":4999", 1);
    EXPECT_EQ(grabber.Open({0, 0, 64, 64}, {}), GrabberStatus::NoDisplay);
    EXPECT_FALSE(kv::DisplayAvailable());
    setenv("DISPLAY", display.c_str(), 1);
    EXPECT_FALSE(grabber.Grab());
}

// A server without MIT-SHM (as over a network): the grabber falls back to XGetImage.
TEST(ScreenGrabberNoShm, FallsBackToXGetImage) {
    kvtest::XvfbServer xvfb("1280x720x24", /*withShm=*/false);
    PatternWindow window(kLeft, kTop, kWidth, kHeight);
    ScreenGrabber grabber;
    ASSERT_EQ(grabber.Open({kLeft, kTop, kWidth, kHeight}, {}), GrabberStatus::Ok);
    EXPECT_FALSE(grabber.UsesShm());
    ASSERT_TRUE(grabber.Grab());
    EXPECT_GE(PatternWindow::DecodeIndex(grabber.Frame(), kWidth, kHeight), 0);
}

}  // namespace
