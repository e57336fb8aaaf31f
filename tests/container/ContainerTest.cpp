// The container window against the scripted office, with the recorder, the
// conversion dialog and the taskbar watched by stand-ins: its size and
// layout, and the order of its steps on every way to the end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QThread>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "app/core/Startup.h"
#include "platform/automation/AutomationServers.h"
#include "platform/automation/ScriptedOffice.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"
#include "platform/x11/ScreenGrabber.h"
#include "playback/PowerPlugsLaunch.h"
#include "playback/container/ContainerToolbar.h"
#include "playback/container/PptContainerDlg.h"
#include "playback/container/RecordingNotices.h"
#include "recording/CaptureArea.h"
#include "recording/state/RecorderState.h"
#include "recording/state/RecordingReport.h"
#include "recording/state/RecordingTimeline.h"
#include "recording/state/ShownSlides.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"
#include "container/ContainerDoubles.h"

namespace kv {
namespace {

using kvtest::StepLog;

const std::string kPath = "/shows/Colours.pptx";

using kvtest::PumpUntil;

class ContainerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_xvfb = new kvtest::XvfbServer("1920x1080x24");
        static int argc = 1;
        static char name[] = "test_container_window";
        static char* argv[] = {name, nullptr};
        s_app = new QApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete s_app;
        delete s_xvfb;
    }

    void SetUp() override {
        kvtest::StartCleanWithScriptedOffice(*office, kPath, boxes);
    }
    void TearDown() override {
        dialog.reset();
        kvtest::EndScriptedOffice();
        EXPECT_EQ(office->LiveObjects(), 0) << "an office object outlived the container";
    }

    CPptContainerDlg& Make(int mode, int width = 800, int height = 600, bool startAtOnce = false,
                           const std::string& path = kPath) {
        ContainerServices services{std::make_shared<kvtest::LoggingRecorder>(log), conversion,
                                   std::make_shared<kvtest::LoggingTaskbar>(log)};
        dialog = std::make_unique<CPptContainerDlg>(path, mode, 5.0f, width, height, startAtOnce, services);
        // Whatever office this machine runs, the scripted one is ours to quit.
        dialog->Automation().m_bPowerPointWasRunning = 0;
        return *dialog;
    }
    // Shows the container and waits until its first paint has started the show.
    CPptContainerDlg& Start(int mode, int width = 800, int height = 600, bool startAtOnce = false) {
        CPptContainerDlg& d = Make(mode, width, height, startAtOnce);
        d.show();
        EXPECT_TRUE(PumpUntil([&] { return d.Automation().m_bStartedCompletely || d.IsStopped(); }));
        return d;
    }
    bool Ended() { return PumpUntil([&] { return dialog->isHidden() && dialog->result() != 0; }); }
    void Press(int key) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(dialog.get(), &event);
    }
    bool Enabled(int command) { return dialog->ToolBar()->IsButtonEnabled(command); }

    static kvtest::XvfbServer* s_xvfb;
    static QApplication* s_app;
    kvtest::ScopedRegistry registry;
    std::shared_ptr<ScriptedOffice> office = ScriptedOffice::Create();
    std::shared_ptr<RecordingMessageBox> boxes = std::make_shared<RecordingMessageBox>();
    std::shared_ptr<StepLog> log = std::make_shared<StepLog>();
    std::shared_ptr<kvtest::LoggingConversion> conversion = std::make_shared<kvtest::LoggingConversion>(log);
    std::unique_ptr<CPptContainerDlg> dialog;
};

kvtest::XvfbServer* ContainerTest::s_xvfb = nullptr;
QApplication* ContainerTest::s_app = nullptr;

TEST_F(ContainerTest, WindowAndSlideAreaAreTheCaptureSizeAndTheRecorderGrabsExactlyTheSlideArea) {
    for (auto [width, height] : {std::pair{640, 480}, {800, 600}, {1280, 720}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        CPptContainerDlg& d = Start(2, width, height);
        ASSERT_TRUE(d.Automation().m_bStartedCompletely);
        EXPECT_EQ(d.size(), QSize(width, height + 40));  // two button heights of 20 for the toolbar
        EXPECT_EQ(d.SlideArea()->geometry(), QRect(0, 0, width, height));
        EXPECT_EQ(d.ToolBar()->geometry(), QRect(width / 2 - 52, height + 40 - 30, 104, 20));
        EXPECT_EQ(d.windowTitle().toStdString(), "Press ESC key to end recording.");
        EXPECT_EQ(d.frameGeometry().center(), QRect(0, 0, 1920, 1080).center());

        // What the recorder finds: the container by class, the hosted show by caption.
        ASSERT_EQ(FindWindow("PPTContainerDlgClass"), d.WindowHandle());
        const HWND host = FindSlideShowHost(d.WindowHandle());
        ASSERT_NE(host, 0u);
        EXPECT_EQ(g_hSlideShowWnd.load(), host);
        EXPECT_EQ(GetNativeWindow(host), static_cast<unsigned long>(d.SlideArea()->winId()));
        ASSERT_TRUE(g_hPositionedEvent.load() && g_hPositionedEvent.load()->IsSet());

        ScreenRect capture, slideArea;
        ASSERT_TRUE(PumpUntil([&] { return GetCaptureRect(d.WindowHandle(), false, capture); }));
        ASSERT_TRUE(GetWindowRectOnRoot(d.SlideArea()->winId(), slideArea));
        EXPECT_EQ(std::tie(capture.left, capture.top, capture.width, capture.height),
                  std::tie(slideArea.left, slideArea.top, slideArea.width, slideArea.height));
        EXPECT_EQ(capture.width, width);
        EXPECT_EQ(capture.height, height);

        d.OnClickedBtnStop();
        EXPECT_TRUE(Ended());
        dialog.reset();
        g_hPositionedEvent.store(nullptr);
    }
}

TEST_F(ContainerTest, CaptureSizeLargerThanTheScreenShrinksAndHidesTheTaskbarUntilTheStop) {
    CPptContainerDlg& d = Start(2, 2000, 1100);
    EXPECT_EQ(d.CaptureWidth(), 1920);
    EXPECT_EQ(d.CaptureHeight(), 1080 - 40);
    EXPECT_EQ(d.size(), QSize(1920, 1080));
    EXPECT_EQ(d.Automation().m_nWidth, 1920);
    EXPECT_EQ(log->Count("HideTaskbar"), 1);
    EXPECT_EQ(log->Count("ShowTaskbar"), 0);
    d.OnClickedBtnPlay();
    d.OnClickedBtnStop();
    ASSERT_TRUE(Ended());
    EXPECT_GE(log->Count("ShowTaskbar"), 1);
    // The conversion dialog tells the size the video has (multiples of 4, as
    // recorded) with the video; no message comes after it.
    EXPECT_EQ(conversion->sizeNotes, std::vector<std::string>{"The video is 1920x1040 instead of 2000x1100: the screen "
                                                              "has no room for more beside the recording window's "
                                                              "toolbar."});
    EXPECT_TRUE(boxes->Texts().empty()) << boxes->Texts().front();
    EXPECT_EQ(ShrunkSizeText(1922, 1083, 1920, 1080), "") << "the same size once rounded";
    // The size named is the one chosen, not as the recorder would round it.
    EXPECT_EQ(ShrunkSizeText(1366, 768, 1366, 708).substr(0, 38), "The video is 1364x708 instead of 1366x");
}

TEST_F(ContainerTest, PlayPauseAndStopDriveTheShowTheRecorderAndTheConversionDialogInOrder) {
    TraceCapture traces;
    CPptContainerDlg& d = Start(2);
    EXPECT_EQ(office->ViewState(), 2);  // timed show waits paused for Play
    EXPECT_TRUE(Enabled(ID_BTN_PLAY));
    EXPECT_FALSE(Enabled(ID_BTN_PAUSE) || Enabled(ID_BTN_STOP) || Enabled(ID_BTN_NEXTSLIDE));

    d.ToolBar()->Click(ID_BTN_PLAY);
    // The show runs on when the recording clock has started, not before:
    // the recorder's start-up would be taken from the first slide.
    EXPECT_EQ(office->ViewState(), 2);
    SendMessage(d.WindowHandle(), UWM_RECORDINGCLOCKSTARTED, 0, 0);
    EXPECT_EQ(office->ViewState(), 1);
    EXPECT_FALSE(Enabled(ID_BTN_PLAY));
    EXPECT_TRUE(Enabled(ID_BTN_PAUSE) && Enabled(ID_BTN_STOP));
    EXPECT_EQ(d.windowTitle().toStdString(), "Recording...Press ESC key to finish.");

    d.ToolBar()->Click(ID_BTN_PAUSE);
    EXPECT_EQ(office->ViewState(), 2);
    EXPECT_TRUE(Enabled(ID_BTN_PLAY));
    EXPECT_FALSE(Enabled(ID_BTN_PAUSE));
    EXPECT_EQ(d.windowTitle().toStdString(), "Recording paused...");
    d.ToolBar()->Click(ID_BTN_PLAY);
    EXPECT_EQ(office->ViewState(), 1) << "a resume runs the show at once";

    bool hiddenDuringConversion = false;
    conversion->whileOpen = [&] { hiddenDuringConversion = d.isHidden(); };
    d.ToolBar()->Click(ID_BTN_STOP);
    ASSERT_TRUE(Ended());
    EXPECT_EQ(d.result(), IDOK);
    // The taskbar comes back while the conversion runs, and again in clean-up.
    EXPECT_EQ(log->Steps(), (std::vector<std::string>{"Record", "Pause", "Record", "StopRecording", "WaitDialog",
                                                      "ShowTaskbar", "WaitDialogClosed", "ShowTaskbar"}));
    EXPECT_TRUE(hiddenDuringConversion);
    EXPECT_EQ(d.windowTitle().toStdString(), "Please wait while we save the video file...");
    EXPECT_EQ(office->ViewState(), 2);  // paused before clean-up
    EXPECT_TRUE(office->Quit());
    EXPECT_TRUE(office->Presentation(kPath).closed);
    for (int command : {ID_BTN_PLAY, ID_BTN_PAUSE, ID_BTN_STOP, ID_BTN_NEXTSLIDE}) EXPECT_FALSE(Enabled(command));
    EXPECT_TRUE(traces.Contains("Wait dialog ended\n"));
}

TEST_F(ContainerTest, StopWithoutPlayConvertsNothingAndKeysWaitForTheShow) {
    CPptContainerDlg& d = Make(2);
    Press(Qt::Key_Escape);  // the show has not started: nothing happens
    Press(Qt::Key_Return);
    EXPECT_FALSE(d.IsStopped());
    d.show();
    ASSERT_TRUE(PumpUntil([&] { return d.Automation().m_bStartedCompletely; }));
    Press(Qt::Key_Escape);
    ASSERT_TRUE(Ended());
    EXPECT_EQ(d.result(), IDCANCEL);
    EXPECT_EQ(log->Count("WaitDialog"), 0);
    EXPECT_EQ(log->Count("StopRecording"), 1);
    EXPECT_TRUE(office->Quit());
    EXPECT_FALSE(d.MadeRecording()) << "the wizard comes back";
}

TEST_F(ContainerTest, PressesOnTheWindowAndOnItsCaptionBringTheShowForward) {
    CPptContainerDlg& d = Start(2);
    ASSERT_TRUE(d.Automation().m_bStartedCompletely);
    const QPointF at(5, 5);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::NonClientAreaMouseButtonPress}) {
        office->ClearCalls();
        QMouseEvent press(type, at, d.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&d, &press);
        EXPECT_TRUE(office->Called("SlideShowWindow.Activate")) << type;
    }
    office->ClearCalls();
    QMouseEvent right(QEvent::NonClientAreaMouseButtonPress, at, d.mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&d, &right);
    EXPECT_FALSE(office->Called("SlideShowWindow.Activate"));
    d.OnClickedBtnStop();
    EXPECT_TRUE(Ended());
}

TEST_F(ContainerTest, TheShowFoundPastItsLastSlideOrItsEndEventStopsTheRecording) {
    CPptContainerDlg& d = Start(2);
    d.OnClickedBtnPlay();
    for (int i = 0; i < 2; ++i) office->AdvanceShow();
    PostMessage(d.WindowHandle(), UWM_IS_SLIDESHOW_ENDED, 0, 0);  // on the last slide: not yet
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_FALSE(d.IsStopped());
    office->AdvanceShow();  // the closing black screen
    PostMessage(d.WindowHandle(), UWM_IS_SLIDESHOW_ENDED, 0, 0);
    ASSERT_TRUE(Ended());
    EXPECT_EQ(log->Count("WaitDialog"), 1);
    dialog.reset();

    // The office's own end event: the show is over, so nothing pauses or closes it.
    log = std::make_shared<StepLog>();
    conversion = std::make_shared<kvtest::LoggingConversion>(log);
    office->ClearCalls();
    CPptContainerDlg& again = Start(2);
    again.OnClickedBtnPlay();
    office->EndShow();
    ASSERT_TRUE(Ended());
    EXPECT_TRUE(g_bSlideShowEnded);
    EXPECT_EQ(log->Count("WaitDialog"), 1);
    EXPECT_FALSE(office->Called("Presentation.Close"));
    EXPECT_TRUE(boxes->Texts().empty());
}

// A slide's chapter starts where the slide came on the recording's clock (a
// pause before it left out), however late the next capture pass sees it.
TEST_F(ContainerTest, ASlideStartsWhereItCameOnTheRecordingNotWhereAPassSawIt) {
    using namespace std::chrono_literals;
    CPptContainerDlg& d = Start(2);
    d.OnClickedBtnPlay();
    const auto start = RecordingTimeline::Clock::now() - 3s;
    g_RecordingTimeline.Start(start);
    g_RecordingTimeline.Pause(start + 500ms);
    g_RecordingTimeline.Resume(start + 1500ms);  // a second left out
    g_bRecording = 1;
    PostMessage(d.WindowHandle(), UWM_IS_SLIDESHOW_ENDED, 0, 0);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    office->AdvanceShow();  // slide 2 comes now: 2 s of recording
    std::this_thread::sleep_for(400ms);  // the passes come late
    g_llRecordedMs = 2400;
    PostMessage(d.WindowHandle(), UWM_IS_SLIDESHOW_ENDED, 0, 0);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    g_bRecording = 0;
    g_llRecordedMs = 0;
    const ShownSlides slides = GetShownSlides();
    ASSERT_EQ(slides.size(), 2u);
    EXPECT_EQ(slides[1].number, 2);
    EXPECT_NEAR(slides[1].startSeconds, 2.0, 0.05);
    d.OnClickedBtnStop();
    ASSERT_TRUE(Ended());
}

TEST_F(ContainerTest, AnOfficeThatGoesAwayMidShowStillGivesAVideoAndTheUserIsToldItEndedEarly) {
    CPptContainerDlg& d = Start(2);
    d.OnClickedBtnPlay();
    office->AdvanceShow();
    office->Crash();
    ASSERT_TRUE(Ended());
    EXPECT_EQ(log->Count("WaitDialog"), 1);  // saved, merged and converted as usual
    EXPECT_EQ(boxes->Texts(), std::vector<std::string>{kShowEndedEarlyText});
}

TEST(RecordingNotices, AnIncompleteVideoAndSeparateFilesAreToldAfterTheDialog) {
    auto boxes = std::make_shared<RecordingMessageBox>();
    SetMessageBoxService(boxes);
    g_iRecordAudio = AUDIO_SOURCE_NONE;
    ClearRecordingReport();
    SetRecordingFailure("No space left on /tmp/Temp. The video holds the recording up to that point.");
    SetRecordingNotice("saved separately as\na.avi\na.avi.wav");
    TellHowTheRecordingWent(false);
    EXPECT_EQ(boxes->Texts(), (std::vector<std::string>{"No space left on /tmp/Temp. The video holds the recording up "
                                                         "to that point.",
                                                         "saved separately as\na.avi\na.avi.wav"}));
    ClearRecordingReport();
    boxes->Clear();
    TellHowTheRecordingWent(false);
    EXPECT_TRUE(boxes->Texts().empty());
    SetMessageBoxService(nullptr);
}

TEST_F(ContainerTest, PresenterModeStepsWithNextAndStopsOnTheClosingScreen) {
    CPptContainerDlg& d = Start(3);
    EXPECT_EQ(office->ViewState(), 1);  // a presenter's show runs at once
    EXPECT_TRUE(Enabled(ID_BTN_NEXTSLIDE));
    d.OnClickedBtnPlay();
    for (int expected = 2; expected <= 4; ++expected) {
        d.ToolBar()->Click(ID_BTN_NEXTSLIDE);
        EXPECT_EQ(office->ShowPosition(), expected);
    }
    EXPECT_FALSE(d.IsStopped());
    d.ToolBar()->Click(ID_BTN_NEXTSLIDE);  // on the black screen
    ASSERT_TRUE(Ended());
    EXPECT_FALSE(Enabled(ID_BTN_NEXTSLIDE));
    EXPECT_EQ(log->Count("WaitDialog"), 1);
}

// The presentation's own timings: slides without one wait for the presenter
// (Next) in the wizard; in batch mode nobody is there, so they get the
// seconds per slide while timed slides keep their own.
TEST_F(ContainerTest, OwnTimingsWaitForThePresenterOnlyWhereSomeoneIsThere) {
    office->SetOwnTiming(kPath, 2, 1.5f);
    {
        Start(1);
        EXPECT_TRUE(Enabled(ID_BTN_NEXTSLIDE)) << "a click-only slide needs a way on";
        const ScriptedPresentation p = office->Presentation(kPath);
        EXPECT_EQ(p.advanceMode, 2);  // ppSlideShowUseSlideTimings
        EXPECT_EQ(p.slides[0].advanceOnTime, 0);
        EXPECT_EQ(p.slides[2].advanceOnTime, 0);
        dialog->OnClickedBtnStop();
        ASSERT_TRUE(Ended());
    }
    dialog.reset();
    office->AddPresentation(kPath, 3);
    office->SetOwnTiming(kPath, 2, 1.5f);
    Start(1, 800, 600, true);
    EXPECT_FALSE(Enabled(ID_BTN_NEXTSLIDE));
    const ScriptedPresentation p = office->Presentation(kPath);
    EXPECT_EQ(p.advanceMode, 2);
    for (int i : {0, 2}) {
        EXPECT_NE(p.slides[i].advanceOnTime, 0) << "slide " << i + 1;
        EXPECT_FLOAT_EQ(p.slides[i].advanceTime, 5.0f) << "slide " << i + 1;
    }
    EXPECT_FLOAT_EQ(p.slides[1].advanceTime, 1.5f) << "a slide's own timing stays";
    dialog->OnClickedBtnStop();
    ASSERT_TRUE(Ended());
}

TEST_F(ContainerTest, AShowThatCannotStartIsReportedAndNothingIsRecorded) {
    CPptContainerDlg& d = Make(2, 800, 600, true, "/shows/missing.pptx");
    d.show();
    ASSERT_TRUE(Ended());
    ASSERT_EQ(boxes->Texts().size(), 1u);
    EXPECT_EQ(boxes->Texts()[0].rfind(
                  "Unable to run the slide show. Please make sure that LibreOffice Impress is installed.", 0),
              0u);
    EXPECT_EQ(log->Count("Record"), 0);
    EXPECT_EQ(log->Count("WaitDialog"), 0);
    EXPECT_EQ(log->Count("StopRecording"), 1);
    EXPECT_FALSE(d.MadeRecording());
}

// Play made a recording unless the recorder refused before its first
// picture (no room, no file, no show window, no picture): then the user
// goes back to the wizard.
TEST_F(ContainerTest, APlayRefusedBeforeItsFirstPictureMadeNoRecording) {
    const auto errorAfterPlay = [&](int code) {
        CPptContainerDlg& d = Start(2);
        d.OnClickedBtnPlay();
        if (code != 0) SendMessage(d.WindowHandle(), UWM_RECORDER_ERROR, static_cast<WPARAM>(static_cast<LPARAM>(code)), 0);
        const bool made = d.MadeRecording();
        d.OnClickedBtnStop();
        EXPECT_TRUE(Ended());
        dialog.reset();
        g_bRecorderError = false;
        g_hPositionedEvent.store(nullptr);
        return made;
    };
    EXPECT_TRUE(errorAfterPlay(0));
    for (int code : {-1, -2, -4, kNotEnoughDiskSpace}) EXPECT_FALSE(errorAfterPlay(code)) << code;
    for (int code : {-5, -7, -9}) EXPECT_TRUE(errorAfterPlay(code)) << code << ": recorded, saving failed";
}

TEST_F(ContainerTest, RecorderErrorsShowTheirTextAndReachTheConversionDialog) {
    CPptContainerDlg& d = Start(2);
    struct WaitDlg : MessageReceiver {
        std::vector<LPARAM> codes;
        LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM) override {
            if (message == UWM_RECORDER_ERROR) codes.push_back(static_cast<LPARAM>(wParam));
            return 1;
        }
    } waitDlg;
    LoopThread waitThread;
    g_hWaitDlg = CreateWindowHandle(&waitDlg, &waitThread, "WaitDlg", "");
    const std::pair<int, const char*> cases[] = {
        {-1, "Unable to create output video file. Please try again."},
        {-2, "Unable to record the video. Please try again."},
        {-4, "Unable to record the video. Please try again."},
        {-5, "An unexpected error occured while recording.\n Please try Again."},
        {-7, "Unable to save video file. Please try Again."},
        {-9, "There was an error while generating the output file.\n Unable to merge video and audio stream."},
        {3, "An unexpected error occured while recording.\n Please try Again."},
        {kNotEnoughDiskSpace, "There is not enough disk space to record."},
    };
    ClearRecordingReport();
    const auto expectText = [&](int code, const std::string& text) {
        boxes->Clear();
        std::thread recorder([&] {
            SendMessage(d.WindowHandle(), UWM_RECORDER_ERROR, static_cast<WPARAM>(static_cast<LPARAM>(code)), 0);
        });
        ASSERT_TRUE(PumpUntil([&] { return !boxes->Texts().empty(); }));
        recorder.join();
        EXPECT_EQ(boxes->Texts(), std::vector<std::string>{text});
        EXPECT_TRUE(g_bRecorderError);
        EXPECT_EQ(waitDlg.codes.back(), code);
    };
    for (auto [code, text] : cases) expectText(code, text);
    // A refusal for want of disk space names the folder and the room it lacks.
    const std::string refusal = "Not enough disk space in /tmp/rec: 1 MB free, about 200 MB needed";
    SetRecordingRefusal(refusal);
    expectText(kNotEnoughDiskSpace, refusal);
    ClearRecordingReport();
    EXPECT_FALSE(d.IsStopped());  // the recorder ends the show itself
    DestroyWindowHandle(g_hWaitDlg);
    g_hWaitDlg = 0;
}

TEST_F(ContainerTest, TheStopSequenceRunsOnceHoweverManyWaysArriveAtOnce) {
    TraceCapture traces;
    CPptContainerDlg& d = Start(2);
    d.OnClickedBtnPlay();
    for (int i = 0; i < 3; ++i) office->AdvanceShow();  // past the last slide
    const HWND window = d.WindowHandle();
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (UINT message : {UWM_SLIDESHOWEND, UWM_IS_SLIDESHOW_ENDED, UWM_SLIDESHOWEND, UWM_IS_SLIDESHOW_ENDED})
        threads.emplace_back([&, message] {
            while (!go) std::this_thread::yield();
            for (int i = 0; i < 50; ++i) PostMessage(window, message, 0, 0);
        });
    threads.emplace_back([&] {
        while (!go) std::this_thread::yield();
        SendMessageTimeout(window, UWM_SLIDESHOWLAUNCHERROR, 1, 0, 2000);
    });
    conversion->whileOpen = [&] {
        // More arrive while the conversion dialog is open.
        d.OnOK();
        d.OnCancel();
        d.OnClickedBtnNextSlide();
        for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
    };
    go = true;
    d.OnClickedBtnStop();
    Press(Qt::Key_Escape);
    for (auto& t : threads) t.join();
    ASSERT_TRUE(Ended());
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(log->Count("StopRecording"), 1);
    EXPECT_EQ(log->Count("WaitDialog"), 1);
    int waitEnded = 0, cleanups = 0;
    for (const auto& line : traces.Lines()) {
        waitEnded += line == "Wait dialog ended\n";
        cleanups += line == "CPptContainerDlg::DoCleanup Start\n";
    }
    EXPECT_EQ(waitEnded, 1);
    EXPECT_EQ(cleanups, 1);
}

TEST_F(ContainerTest, AnotherStartOfTheProgramFindsTheContainerAndRestoresIt) {
    CPptContainerDlg& d = Start(2);
    d.showMinimized();
    PumpUntil([&] { return d.isMinimized(); }, 1000);
    LRESULT answer = 0;
    std::thread probe([&] { answer = AnswerInstanceProbe(UWM_ONE_INSTANCE); });
    PumpUntil([&] { return !d.isMinimized(); }, 3000);
    probe.join();
    EXPECT_EQ(answer, static_cast<LRESULT>(UWM_ONE_INSTANCE));
    EXPECT_FALSE(d.isMinimized());
    d.OnClickedBtnStop();
    EXPECT_TRUE(Ended());
}

TEST_F(ContainerTest, AddInLaunchStartsRecordingWhenItsWindowAppearsAndFailsWithoutIt) {
    settings::SupportPowerPlugs.Set(1);
    struct ShowWindow : MessageReceiver {
        LRESULT OnMessage(UINT, WPARAM, LPARAM) override { return 0; }
    } addInShow;
    LoopThread addInThread;
    HWND addInWindow = 0;
    office->menuBar = {{"&File", 1, {}, {}},
                       {"Sli&de Show", 2,
                        {{"&PowerPlugs: View Show with Effects", 21, {}, [&] {
                              addInWindow = CreateWindowHandle(&addInShow, &addInThread, kShowWindowClass, "");
                          }}},
                        {}}};
    CPptContainerDlg& d = Make(2, 800, 600, true);
    d.show();
    ASSERT_TRUE(PumpUntil([&] { return log->Count("Record") == 1; }, 8000));
    EXPECT_TRUE(d.isHidden());  // the add-in shows the slides full screen
    EXPECT_TRUE(d.Automation().m_bStartedCompletely);
    EXPECT_FALSE(g_hPositionedEvent.load());  // the recorder does not wait for the container
    d.OnClickedBtnStop();
    ASSERT_TRUE(Ended());
    DestroyWindowHandle(addInWindow);
    dialog.reset();

    // Without the add-in's menu item nothing is launched and the user is told.
    office->menuBar = {{"Sli&de Show", 2, {{"&Custom Shows...", 22, {}, {}}}, {}}};
    Make(2, 800, 600, true).show();
    ASSERT_TRUE(Ended());
    EXPECT_EQ(boxes->Texts().size(), 1u);
    EXPECT_EQ(log->Count("Record"), 1);
}

}  // namespace
}  // namespace kv
