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
#include "platform/core/MessageBox.h"
#include "platform/process/ChildProcess.h"
#include "playback/container/PptContainerDlg.h"
#include "recording/state/RecorderState.h"
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

// True once a window manager has announced itself on the root window.
bool WindowManagerRuns(Display* display) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, left = 0;
    unsigned char* data = nullptr;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW, &type, &format, &count,
                       &left, &data);
    if (data) XFree(data);
    return count == 1;
}

class WindowManagerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_xvfb = new kvtest::XvfbServer("1366x768x24");
        s_wm = new ChildProcess(ChildProcess::Spawn({"openbox", "--sm-disable"}, {}));
        ASSERT_TRUE(s_wm->Started()) << "openbox is not installed";
        s_display = XOpenDisplay(nullptr);
        ASSERT_NE(s_display, nullptr);
        for (int i = 0; i < 100 && !WindowManagerRuns(s_display); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_TRUE(WindowManagerRuns(s_display)) << "openbox did not start";
        static int argc = 1;
        static char name[] = "test_container_window_manager";
        static char* argv[] = {name, nullptr};
        s_app = new QApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete s_app;
        if (s_display) XCloseDisplay(s_display);
        if (s_wm) s_wm->Terminate(2000);
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
    static inline ChildProcess* s_wm = nullptr;
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

}  // namespace
}  // namespace kv
