// The container under a real window manager (openbox, started on the test's
// own X server): it fits the work area with its frame, and Escape and Enter
// stop the recording while another program's window inside the slide area
// (as the office's show is) has the keyboard focus.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <chrono>
#include <thread>

#include "platform/automation/AutomationServers.h"
#include "platform/automation/ScriptedOffice.h"
#include "platform/automation/uno/UnoAutomation.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"
#include "platform/process/ChildProcess.h"
#include "platform/x11/FrameExtents.h"
#include "conversion/dialog/WaitDlg.h"
#include "playback/ShowPlacement.h"
#include "playback/container/PptContainerDlg.h"
#include "recording/state/RecorderState.h"
#include "support/Openbox.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"
#include "container/ContainerDoubles.h"

// Last: Xlib's macros (Bool, Status, None) would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace kv {
namespace {

const std::string kPath = "/shows/Colours.pptx";

using kvtest::PumpUntil;

class WindowManagerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_xvfb = new kvtest::XvfbServer("1366x768x24");
        s_wm = new kvtest::OpenboxSession();
        ASSERT_EQ(s_wm->Problem(), "");
        s_display = XOpenDisplay(nullptr);
        ASSERT_NE(s_display, nullptr);
        static int argc = 1;
        static char name[] = "test_container_window_manager";
        static char* argv[] = {name, nullptr};
        s_app = new QApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete s_app;
        if (s_display) XCloseDisplay(s_display);
        delete s_wm;
        delete s_xvfb;
    }
    void SetUp() override {
        kvtest::StartCleanWithScriptedOffice(*office, kPath, boxes);
    }
    void TearDown() override {
        dialog.reset();
        kvtest::EndScriptedOffice();
    }
    CPptContainerDlg& Start(int width, int height) {
        ContainerServices services{std::make_shared<kvtest::LoggingRecorder>(log), conversion,
                                   std::make_shared<kvtest::LoggingTaskbar>(log)};
        dialog = std::make_unique<CPptContainerDlg>(kPath, 2, 5.0f, width, height, false, services);
        dialog->Automation().m_bPowerPointWasRunning = 0;
        dialog->show();
        EXPECT_TRUE(PumpUntil([&] { return dialog->Automation().m_bStartedCompletely || dialog->IsStopped(); }));
        return *dialog;
    }
    bool Ended() { return PumpUntil([&] { return dialog->isHidden() && dialog->result() != 0; }); }

    static inline kvtest::XvfbServer* s_xvfb = nullptr;
    static inline kvtest::OpenboxSession* s_wm = nullptr;
    static inline Display* s_display = nullptr;
    static inline QApplication* s_app = nullptr;
    kvtest::ScopedRegistry registry;
    std::shared_ptr<ScriptedOffice> office = ScriptedOffice::Create();
    std::shared_ptr<RecordingMessageBox> boxes = std::make_shared<RecordingMessageBox>();
    std::shared_ptr<kvtest::StepLog> log = std::make_shared<kvtest::StepLog>();
    std::shared_ptr<kvtest::LoggingConversion> conversion = std::make_shared<kvtest::LoggingConversion>(log);
    std::unique_ptr<CPptContainerDlg> dialog;
};

// A capture size of the whole screen: the window manager's title bar and
// borders are taken off it, so the container with its toolbar lies wholly
// in the work area and the slide area is the size recorded.
TEST_F(WindowManagerTest, AScreenSizedCaptureFitsTheWorkAreaWithTheFrame) {
    TraceCapture traces;
    CPptContainerDlg& d = Start(1366, 768);
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    // The frame is known once openbox has framed the window; the container fits again then.
    ASSERT_TRUE(PumpUntil([&] { return d.frameGeometry().height() > d.geometry().height(); }, 3000))
        << "openbox put no frame around the container";
    EXPECT_TRUE(PumpUntil([&] { return work.contains(d.frameGeometry()); }, 4000))
        << "frame " << d.frameGeometry().x() << "," << d.frameGeometry().y() << " " << d.frameGeometry().width() << "x"
        << d.frameGeometry().height() << " in work area " << work.width() << "x" << work.height();
    EXPECT_EQ(d.SlideArea()->size(), QSize(d.Automation().m_nWidth, d.Automation().m_nHeight));
    EXPECT_LT(d.Automation().m_nHeight, 768 - 40) << "the toolbar and the title bar come off the height";
    // The frame was asked of openbox before the window was shown: the show
    // started at its final size, and was not fitted again once framed.
    const FrameExtents expected = NewWindowFrameExtents();
    const QRect outer = d.frameGeometry(), inner = d.geometry();
    EXPECT_EQ(expected.top, inner.top() - outer.top());
    EXPECT_EQ(expected.Height(), outer.height() - inner.height());
    EXPECT_EQ(expected.Width(), outer.width() - inner.width());
    EXPECT_FALSE(traces.Contains("fitting the container again"));
    d.OnClickedBtnStop();
    EXPECT_TRUE(Ended());
}

// A window of another program inside the slide area takes the keyboard, as
// the office's show does after Play: Escape, and Enter, still stop.
TEST_F(WindowManagerTest, EscapeAndEnterStopWhileAnotherProgramsWindowInsideHasTheKeyboard) {
    for (const char* key : {"Escape", "Return"}) {
        SCOPED_TRACE(key);
        CPptContainerDlg& d = Start(640, 480);
        d.OnClickedBtnPlay();
        Window show = XCreateSimpleWindow(s_display, d.SlideArea()->winId(), 0, 0, 640, 480, 0, 0, 0);
        XMapWindow(s_display, show);
        XSync(s_display, False);
        PumpUntil([] { return false; }, 300);
        XSetInputFocus(s_display, show, RevertToParent, CurrentTime);
        XSync(s_display, False);
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(s_display, &focus, &revert);
        ASSERT_EQ(focus, show);
        ChildProcess press = ChildProcess::Spawn({"xdotool", "key", key}, {});
        ASSERT_TRUE(press.Started());
        EXPECT_EQ(press.Wait(5000).value_or(-1), 0);
        EXPECT_TRUE(Ended()) << "the key went to the other program";
        EXPECT_EQ(log->Count("StopRecording"), 1);
        XDestroyWindow(s_display, show);
        XSync(s_display, False);
        dialog.reset();
        log = std::make_shared<kvtest::StepLog>();
        conversion = std::make_shared<kvtest::LoggingConversion>(log);
        g_hPositionedEvent.store(nullptr);
    }
}

// A panel along the top or the bottom of the screen, as a desktop's own: the
// window manager takes its height off the work area (openbox at most half the screen).
Window MapPanel(Display* display, int height, bool top) {
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int y = top ? 0 : DisplayHeight(display, DefaultScreen(display)) - height;
    const Window panel = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, y, width, height, 0, 0, 0);
    const Atom dock = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(display, panel, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&dock), 1);
    long strut[12] = {};
    strut[top ? 2 : 3] = height;
    strut[top ? 9 : 11] = width - 1;
    XChangeProperty(display, panel, XInternAtom(display, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(strut), 12);
    XMapWindow(display, panel);
    XSync(display, False);
    return panel;
}

// The conversion dialog between two panels that leave a work area only a few
// pixels taller than the dialog with its frame: it lies wholly in the work
// area, also once openbox has framed it.
TEST_F(WindowManagerTest, TheConversionDialogFitsATightWorkAreaWithItsFrame) {
    g_bRecorderThreadEnded = 0;  // a recording under way: the dialog stays open
    g_bRecorderError = false;
    QSize outer;
    {
        CWaitDlg wait;
        wait.show();
        ASSERT_TRUE(PumpUntil([&] { return wait.frameGeometry().height() > wait.geometry().height(); }, 3000))
            << "openbox put no frame around the dialog";
        outer = wait.frameGeometry().size();
    }
    const int screenHeight = DisplayHeight(s_display, DefaultScreen(s_display));
    const Window top = MapPanel(s_display, 300, true);
    const Window bottom = MapPanel(s_display, screenHeight - 300 - outer.height() - 4, false);
    ASSERT_TRUE(PumpUntil([&] { return QGuiApplication::primaryScreen()->availableGeometry().height() == outer.height() + 4; }, 3000))
        << "openbox took no room for the panels";
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    {
        CWaitDlg wait;
        wait.show();
        PumpUntil([&] { return wait.frameGeometry().height() > wait.geometry().height(); }, 3000);
        PumpUntil([] { return false; }, 500);
        const QRect frame = wait.frameGeometry();
        EXPECT_TRUE(work.contains(frame)) << "frame " << frame.x() << "," << frame.y() << " " << frame.width() << "x"
                                          << frame.height() << " in work area " << work.x() << "," << work.y() << " "
                                          << work.width() << "x" << work.height();
    }
    for (const Window panel : {top, bottom}) XDestroyWindow(s_display, panel);
    XSync(s_display, False);
    PumpUntil([&] { return QGuiApplication::primaryScreen()->availableGeometry().height() == screenHeight; }, 3000);
}

// The container's own X windows in the slide area's window: the office's
// window that shows the slide, beside the window that keeps the pointer from a
// kiosk show (input only).
Window OfficeWindowIn(Display* display, Window parent) {
    Window root = None, up = None, found = None;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &children, &count)) return None;
    for (unsigned int i = 0; i < count && found == None; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, children[i], &attributes) && attributes.c_class == InputOutput)
            found = children[i];
    }
    if (children) XFree(children);
    return found;
}

QSize SizeOf(Display* display, Window window) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(display, window, &attributes);
    return {attributes.width, attributes.height};
}

bool IsWithin(Display* display, Window window, Window ancestor) {
    while (window != None && window != ancestor) {
        Window root = None, parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count)) return false;
        if (children) XFree(children);
        window = parent == root ? None : parent;
    }
    return window == ancestor && window != None;
}

// The same under openbox with the real office playing a deck of another writer.
class WindowManagerOfficeTest : public WindowManagerTest {
protected:
    void SetUp() override {
        if (const char* build = std::getenv("KALVISTA_BINARY_DIR"))
            setenv("KALVISTA_OFFICE_PROFILES", (std::string(build) + "/office-profiles").c_str(), 0);
        kvtest::StartCleanWithScriptedOffice(*office, kPath, boxes);
        RegisterUnoAutomation();
    }
    CPptContainerDlg& StartOffice(int width, int height, int captureMode = 2) {
        const std::string deck = std::string(std::getenv("KALVISTA_SOURCE_DIR")) + "/tests/corpus/decks/four-by-three.pptx";
        ContainerServices services{std::make_shared<kvtest::LoggingRecorder>(log), conversion,
                                   std::make_shared<kvtest::LoggingTaskbar>(log)};
        dialog = std::make_unique<CPptContainerDlg>(deck, captureMode, 5.0f, width, height, false, services);
        dialog->Automation().m_bPowerPointWasRunning = 0;
        dialog->show();
        EXPECT_TRUE(PumpUntil([&] { return dialog->Automation().m_bStartedCompletely || dialog->IsStopped(); }, 20000));
        return *dialog;
    }
};

// A capture size of the whole screen shrinks to what fits once openbox's
// frame is known: the office's window follows (the size whose page lands on
// the slide's place), so no right or bottom edge of the show is cut off. After
// Play the office has the keyboard, and Escape, or Enter, still stops.
TEST_F(WindowManagerOfficeTest, TheOfficesShowFitsTheShrunkSlideAreaAndEscapeAndEnterStillStop) {
    for (const auto& [key, width, height] : std::vector<std::tuple<const char*, int, int>>{{"Escape", 1366, 768}, {"Return", 800, 600}}) {
        SCOPED_TRACE(key);
        CPptContainerDlg& d = StartOffice(width, height);
        ASSERT_TRUE(d.Automation().m_bStartedCompletely)
            << "the office's show did not start: " << (boxes->Details().empty() ? "" : boxes->Details()[0]);
        // The frame is known once openbox has framed the window; the container fits again then.
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_TRUE(PumpUntil([&] { return d.frameGeometry().height() > d.geometry().height() &&
                                           work.contains(d.frameGeometry()); }, 4000))
            << "not fitted to the work area with its frame";
        const Window area = d.SlideAreaWindow();
        const QSize slide = d.SlideArea()->size();
        EXPECT_TRUE(PumpUntil([&] { return SizeOf(s_display, OfficeWindowIn(s_display, area)) == SizeOf(s_display, area); }, 4000))
            << "office window " << SizeOf(s_display, OfficeWindowIn(s_display, area)).width() << "x"
            << SizeOf(s_display, OfficeWindowIn(s_display, area)).height() << ", slide area " << slide.width() << "x" << slide.height();
        // The window that puts the show's page exactly on the slide's place, for the page the office reports.
        const auto& automation = d.Automation();
        EXPECT_GT(automation.m_nPageWidth, 0);
        const PixelRect placed = OfficeWindowFor(slide.width(), slide.height(), automation.m_nPageWidth, automation.m_nPageHeight);
        EXPECT_EQ(SizeOf(s_display, area), QSize(placed.width, placed.height));
        EXPECT_EQ(slide, QSize(d.Automation().m_nWidth, d.Automation().m_nHeight));
        if (width == 1366) {
            EXPECT_LT(slide.height(), 768 - 40) << "not fitted to the work area";
        }
        d.OnClickedBtnPlay();
        // The show's own window takes the keyboard, as a click into it would give it.
        const Window office = OfficeWindowIn(s_display, area);
        PumpUntil([] { return false; }, 300);
        XSetInputFocus(s_display, office, RevertToParent, CurrentTime);
        XSync(s_display, False);
        Window focus = None;
        int revert = 0;
        XGetInputFocus(s_display, &focus, &revert);
        ASSERT_TRUE(IsWithin(s_display, focus, office)) << "the office's show does not have the keyboard";
        ChildProcess press = ChildProcess::Spawn({"xdotool", "key", key}, {});
        ASSERT_TRUE(press.Started());
        EXPECT_EQ(press.Wait(5000).value_or(-1), 0);
        EXPECT_TRUE(Ended()) << "the key went to the office";
        EXPECT_EQ(log->Count("StopRecording"), 1);
        dialog.reset();
        log = std::make_shared<kvtest::StepLog>();
        conversion = std::make_shared<kvtest::LoggingConversion>(log);
        g_hPositionedEvent.store(nullptr);
    }
}

// In presenter mode the show takes the keys right after Play, with no click
// into it: the arrow key and space advance it, as in the office's own show.
TEST_F(WindowManagerOfficeTest, AfterPlayThePresentersKeysGoToTheShow) {
    CPptContainerDlg& d = StartOffice(800, 600, 3);
    ASSERT_TRUE(d.Automation().m_bStartedCompletely)
        << "the office's show did not start: " << (boxes->Details().empty() ? "" : boxes->Details()[0]);
    const Window area = d.SlideAreaWindow();
    d.OnClickedBtnPlay();
    const Window office = OfficeWindowIn(s_display, area);
    auto focused = [&] {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(s_display, &focus, &revert);
        return IsWithin(s_display, focus, office);
    };
    ASSERT_TRUE(PumpUntil(focused, 3000)) << "the office's show does not have the keyboard";
    // The window manager's late answers to the container's own activation must not take it back.
    PumpUntil([] { return false; }, 500);
    ASSERT_TRUE(focused()) << "the keyboard went back to the container";
    for (const auto& [key, slide] : std::vector<std::pair<const char*, int>>{{"Right", 2}, {"space", 3}}) {
        SCOPED_TRACE(key);
        ChildProcess press = ChildProcess::Spawn({"xdotool", "key", key}, {});
        ASSERT_TRUE(press.Started());
        EXPECT_EQ(press.Wait(5000).value_or(-1), 0);
        EXPECT_TRUE(PumpUntil([&] { return d.Automation().CurrentShowPosition() == slide; }, 3000))
            << "the show is on slide " << d.Automation().CurrentShowPosition() << (focused() ? "" : "; the show lost the keyboard");
        // The show lets a slide settle before it takes the next key.
        PumpUntil([] { return false; }, 1000);
    }
    d.OnClickedBtnStop();
    EXPECT_TRUE(Ended());
}

}  // namespace
}  // namespace kv
