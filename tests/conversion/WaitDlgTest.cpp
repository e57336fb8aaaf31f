// The conversion dialog on Qt's offscreen platform, driven by the messages
// the recorder, the container and the worker send it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "controls/BusyProgressCtrl.h"
#include "conversion/QtTestApp.h"
#include "conversion/TestAvi.h"
#include "conversion/ConversionProgress.h"
#include "conversion/dialog/WaitDlg.h"
#include "conversion/dialog/WaitDlgLayout.h"
#include "platform/core/MessageBox.h"
#include "recording/state/RecorderState.h"
#include "support/TempDir.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// Sends from another thread, as the recorder does, while the UI thread runs.
LRESULT SendFromThread(UINT message, WPARAM wParam = 0) {
    LRESULT result = -1;
    std::atomic<bool> sent{false};
    std::thread sender([&] {
        SendMessage(g_hWaitDlg.load(), message, wParam, 0, &result);
        sent = true;
    });
    kvtest::ProcessEventsUntil([&] { return sent.load(); }, 10000);
    sender.join();
    return result;
}

class WaitDialog : public ::testing::Test {
protected:
    void SetUp() override {
        kvtest::OffscreenApp();
        g_bRecorderThreadEnded = 0;
        g_bRecorderError = false;
        boxes = std::make_shared<RecordingMessageBox>();
        SetMessageBoxService(boxes);
        recording = (dir / "~Record.avi").string();
        std::string why;
        ASSERT_TRUE(kvtest::MakeTestAvi(recording, 5, 44100, 1.0, &why)) << why;
        settings::AVIVideoFileName.Set(recording);
        settings::FrameRate.Set(5);
        settings::AudioProperties.Set("44.1 kHz, stereo, 16-bit");
    }
    void TearDown() override {
        SetMessageBoxService(nullptr);
        g_bRecorderThreadEnded = 0;
    }
    void Open(const std::string& format, const std::string& output) {
        settings::OutputFormat.Set(format);
        settings::OutputFileName.Set(output);
        dialog = std::make_unique<CWaitDlg>();
        dialog->show();
        ASSERT_NE(g_hWaitDlg.load(), 0u);
        ASSERT_EQ(g_hWaitDlg.load(), dialog->Handle());
    }
    bool WaitDone() {
        return kvtest::ProcessEventsUntil([&] { return dialog->IsDone(); }, 60000) &&
               dialog->WaitForConvertThread(10000);
    }

    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir{"kalvista-dialog"};
    std::string recording;
    std::shared_ptr<RecordingMessageBox> boxes;
    std::unique_ptr<CWaitDlg> dialog;
};

TEST_F(WaitDialog, FirstDialogEndConvertsOnceAndFinishCloses) {
    std::ofstream(dir / "talk.mp4") << "an older video";
    Open("MP4", (dir / "talk.mp4").string());
    EXPECT_EQ(dialog->windowTitle(), "Kalvista - Conversion is in progress...");
    EXPECT_FALSE(dialog->windowIcon().availableSizes().isEmpty()) << "the program's icon";
    EXPECT_FALSE(dialog->FinishButton().isVisible());

    EXPECT_EQ(SendFromThread(UWM_MERGE_PROGRESS, 40), 1);
    EXPECT_EQ(dialog->MergeProgressCtrl().Position(), 40);
    EXPECT_EQ(SendFromThread(UWM_DIALOGEND), 1);
    EXPECT_EQ(SendFromThread(UWM_DIALOGEND), 0);  // the recorder's second notice changes nothing
    EXPECT_TRUE(dialog->BusyCtrl().IsAnimating());
    ASSERT_TRUE(WaitDone());

    const fs::path output = dir / "talk1.mp4";  // talk.mp4 was taken
    EXPECT_TRUE(fs::exists(output));
    EXPECT_FALSE(fs::exists(dir / "talk2.mp4"));  // one conversion only
    EXPECT_FALSE(fs::exists(recording));
    EXPECT_FALSE(dialog->ConversionFailed());
    EXPECT_EQ(dialog->DoneText().toStdString(),
              "\n\n\n Output File created successfully at location :\n" + output.string());
    EXPECT_EQ(dialog->windowTitle(), "Kalvista");
    EXPECT_TRUE(dialog->FinishButton().isVisible());
    EXPECT_FALSE(dialog->BusyCtrl().isVisible());
    EXPECT_FALSE(dialog->BusyCtrl().IsAnimating());

    // Enter and Escape never close it; Finish does.
    for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(dialog.get(), &press);
    }
    EXPECT_TRUE(dialog->isVisible());
    const QPointF centre = QRectF(dialog->FinishButton().rect()).center();
    QMouseEvent down(QEvent::MouseButtonPress, centre, dialog->FinishButton().mapToGlobal(centre), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
    QMouseEvent up(QEvent::MouseButtonRelease, centre, dialog->FinishButton().mapToGlobal(centre), Qt::LeftButton,
                   Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog->FinishButton(), &down);
    QApplication::sendEvent(&dialog->FinishButton(), &up);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), 1);
    EXPECT_EQ(g_hWaitDlg.load(), 0u);
}

TEST_F(WaitDialog, ConversionShowsPercentAndTimeLeftBesideTheBusyControl) {
    std::string why;
    ASSERT_TRUE(kvtest::MakeTestAvi(recording, 25, 44100, 16, &why, "640x360")) << why;
    Open("MP4", (dir / "talk.mp4").string());
    EXPECT_FALSE(dialog->ProgressLabel().isVisible());
    EXPECT_EQ(SendFromThread(UWM_DIALOGEND), 1);
    EXPECT_TRUE(dialog->ProgressLabel().isVisible());
    std::vector<std::string> shown;
    kvtest::ProcessEventsUntil([&] {
        const std::string text = dialog->ProgressLabel().text().toStdString();
        if (!text.empty() && (shown.empty() || shown.back() != text)) shown.push_back(text);
        return dialog->IsDone();
    }, 60000);
    ASSERT_TRUE(WaitDone());
    EXPECT_FALSE(dialog->ConversionFailed());
    EXPECT_FALSE(dialog->ProgressLabel().isVisible()) << "the finished dialog shows where the video is";
    ASSERT_FALSE(shown.empty());
    const bool withTimeLeft = std::any_of(shown.begin(), shown.end(), [](const std::string& text) {
        return text.find(" % \xE2\x80\x94 about ") != std::string::npos && text.find(" left") != std::string::npos;
    });
    EXPECT_TRUE(withTimeLeft) << shown.back();
    // Under the busy control, clear of it, within the dialog.
    EXPECT_GT(dialog->ProgressLabel().geometry().top(), dialog->BusyCtrl().geometry().bottom());
    EXPECT_TRUE(dialog->rect().contains(dialog->ProgressLabel().geometry()));
}

TEST_F(WaitDialog, MergeProgressAboveTheTopStartsAgainFromZero) {
    Open("WMV", (dir / "talk.wmv").string());
    SendFromThread(UWM_MERGE_PROGRESS, 100);
    EXPECT_EQ(dialog->MergeProgressCtrl().Position(), 100);
    dialog->MergeProgressCtrl().m_nPos = 150;
    SendFromThread(UWM_MERGE_PROGRESS, 30);
    EXPECT_EQ(dialog->MergeProgressCtrl().Position(), 0);
    SendFromThread(UWM_MERGE_PROGRESS, 30);
    EXPECT_EQ(dialog->MergeProgressCtrl().Position(), 30);
}

// Every text has a place of its own, clear of the bars, and fits it: the
// format's line for every format, the progress line at every percent with
// any time left.
TEST_F(WaitDialog, TheTextsFitTheirPlacesAtEveryPercentClearOfTheBars) {
    Open("MP4", (dir / "talk.mp4").string());
    const WaitDlgPlaces& places = dialog->TextPlaces();
    const QRect bars[] = {dialog->MergeProgressCtrl().geometry(), dialog->BusyCtrl().geometry()};
    for (const QRect& place : {places.stage, places.format, places.progress}) {
        for (const QRect& bar : bars) EXPECT_FALSE(place.intersects(bar));
        EXPECT_TRUE(places.panel.contains(place));
    }
    EXPECT_FALSE(places.stage.intersects(places.format));
    EXPECT_FALSE(places.format.intersects(places.progress));
    EXPECT_FALSE(places.done.intersects(dialog->FinishButton().geometry()));
    EXPECT_EQ(dialog->ProgressLabel().geometry(), places.progress);

    const int oneLine = Qt::AlignHCenter | Qt::AlignBottom;
    EXPECT_TRUE(TextFits("Compressing Video Data...", QFont("Arial", kPanelPoints), places.stage, oneLine));
    for (const char* format : {"AVI", "MPEG1", "MPEG2", "WEBM", "3G2"}) {
        const QString text = QString("Converting To %1 Format...").arg(format);
        EXPECT_TRUE(TextFits(text, QFont("Arial", kPanelPoints), places.format, oneLine)) << format;
    }
    const QFont small = dialog->ProgressLabel().font();
    for (int percent = 0; percent <= 100; ++percent) {
        for (int secondsLeft : {-1, 0, 9, 185, 3599, 35999}) {
            const QString text = QString::fromStdString(ConversionProgressText({true, true, percent, secondsLeft}));
            ASSERT_TRUE(TextFits(text, small, places.progress, oneLine)) << text.toStdString();
        }
    }
}

// The note on the video's size is said with the video, never without one;
// the place and a long path fit the panel above Finish.
TEST_F(WaitDialog, TheSizeNoteGoesWithTheVideoOnly) {
    const QString note = "The video is 1364x704 instead of 1366x768: the screen has no room for more beside the "
                         "recording window's toolbar.";
    ASSERT_TRUE(kvtest::MakeMpeg4Avi(recording, 5, 44100, 1.0));
    const fs::path deep = dir / "A folder with a rather long name for the talks of this year" / "and one more level";
    fs::create_directories(deep);
    settings::OutputFormat.Set("avi");
    settings::OutputFileName.Set((deep / "Quarterly Review of the Whole Department.avi").string());
    dialog = std::make_unique<CWaitDlg>();
    dialog->SetSizeNote(note);
    dialog->show();
    EXPECT_EQ(SendFromThread(UWM_DIALOGEND), 1);
    ASSERT_TRUE(dialog->IsDone());
    ASSERT_FALSE(dialog->ConversionFailed());
    EXPECT_TRUE(dialog->DoneText().endsWith("\n\n" + note)) << dialog->DoneText().toStdString();
    // Whole, broken between words, at one of the dialog's sizes.
    const QString shown = dialog->DoneText().trimmed();
    const FittedText fitted = FitText(shown, dialog->TextPlaces().done, Qt::AlignHCenter | Qt::AlignVCenter);
    EXPECT_TRUE(fitted.flags & Qt::TextWordWrap);
    EXPECT_TRUE(TextFits(shown, fitted.font, dialog->TextPlaces().done, fitted.flags));

    // No video: the panel says why, and nothing of its size.
    const std::string path = std::getenv("PATH");
    kvtest::TempDir empty;
    ASSERT_TRUE(kvtest::MakeTestAvi(recording, 5, 44100, 1.0));
    settings::AVIVideoFileName.Set(recording);
    ::setenv("PATH", empty.path().c_str(), 1);
    Open("MOV", (dir / "talk.mov").string());
    dialog->SetSizeNote(note);
    SendFromThread(UWM_DIALOGEND);
    const bool done = WaitDone();
    ::setenv("PATH", path.c_str(), 1);
    ASSERT_TRUE(done);
    EXPECT_TRUE(dialog->ConversionFailed());
    EXPECT_EQ(dialog->DoneText().indexOf("instead of"), -1) << dialog->DoneText().toStdString();
}

TEST_F(WaitDialog, RecorderErrorClosesAtOnce) {
    Open("MP4", (dir / "talk.mp4").string());
    SendFromThread(UWM_RECORDER_ERROR);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(g_hWaitDlg.load(), 0u);
    EXPECT_EQ(SendMessage(g_hWaitDlg.load(), UWM_DIALOGEND, 0, 0), false);  // goes nowhere now
    EXPECT_TRUE(fs::exists(recording));
}

TEST_F(WaitDialog, AviOutputOfAChosenCompressorIsMovedUnderAFreeName) {
    ASSERT_TRUE(kvtest::MakeMpeg4Avi(recording, 5, 44100, 1.0));
    std::ofstream(dir / "talk.avi") << "taken";
    Open("avi", (dir / "talk.avi").string());
    EXPECT_EQ(SendFromThread(UWM_DIALOGEND), 1);
    EXPECT_TRUE(dialog->IsDone());
    EXPECT_FALSE(fs::exists(recording));
    EXPECT_GT(fs::file_size(dir / "talk1.avi"), 1000u);
    EXPECT_EQ(settings::OutputFileName.Get(), (dir / "talk1.avi").string());
    EXPECT_NE(dialog->DoneText().indexOf("Output File created successfully"), -1);
}

TEST_F(WaitDialog, AviOutputOfOurDefaultEncoderIsConvertedToAPlayableAvi) {
    std::ofstream(dir / "talk.avi") << "taken";
    Open("AVI", (dir / "talk.avi").string());
    SendFromThread(UWM_DIALOGEND);
    ASSERT_TRUE(WaitDone());
    EXPECT_FALSE(dialog->ConversionFailed());
    EXPECT_FALSE(fs::exists(recording));
    EXPECT_EQ(kvtest::StreamFacts(dir / "talk1.avi"), "video:h264:High:yuv420p audio:pcm_s16le::");
    EXPECT_EQ(settings::OutputFileName.Get(), (dir / "talk1.avi").string());
}

TEST_F(WaitDialog, AviMoveIntoAMissingFolderShowsTheErrorAndKeepsTheRecording) {
    ASSERT_TRUE(kvtest::MakeMpeg4Avi(recording, 5, 44100, 1.0));
    Open("AVI", (dir / "no such folder" / "talk.avi").string());
    SendFromThread(UWM_DIALOGEND);
    ASSERT_EQ(boxes->Texts().size(), 1u);
    EXPECT_EQ(boxes->Texts()[0].rfind("File Creation Error : Unable to create output AVI file\nConversion failed: "
                                      "cannot write " + (dir / "no such folder" / "talk.avi").string(), 0),
              0u)
        << boxes->Texts()[0];
    EXPECT_NE(boxes->Texts()[0].find("\nThe recording is kept at " + recording), std::string::npos);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(fs::exists(recording));
}

TEST_F(WaitDialog, AFailedConversionSaysSoAndWhereTheRecordingIs) {
    const std::string path = std::getenv("PATH");
    kvtest::TempDir empty;
    ::setenv("PATH", empty.path().c_str(), 1);
    Open("MOV", (dir / "talk.mov").string());
    SendFromThread(UWM_DIALOGEND);
    const bool done = WaitDone();
    ::setenv("PATH", path.c_str(), 1);
    ASSERT_TRUE(done);
    EXPECT_TRUE(dialog->ConversionFailed());
    const std::string failure = dialog->FailureText().toStdString();
    EXPECT_EQ(failure.rfind("Conversion failed: ffmpeg was not found in ", 0), 0u) << failure;
    EXPECT_EQ(failure.substr(failure.find('\n')), "\nThe recording is kept at " + recording);
    EXPECT_EQ(dialog->DoneText().toStdString(), "\n\n\n " + failure.substr(0, failure.find('\n')) +
                                                     "\n The recording is kept at " + recording);
    EXPECT_TRUE(dialog->FinishButton().isEnabled());
    EXPECT_TRUE(fs::exists(recording));
    EXPECT_FALSE(fs::exists(dir / "talk.mov"));
}

TEST_F(WaitDialog, RunsModallyFromMergeToFinish) {
    settings::OutputFormat.Set("FLV");
    settings::OutputFileName.Set((dir / "talk.flv").string());
    CWaitDlg modal;
    std::thread recorder([] {
        while (!g_hWaitDlg.load()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        for (int percent : {10, 60, 100}) SendMessage(g_hWaitDlg.load(), UWM_MERGE_PROGRESS, percent, 0);
        SendMessage(g_hWaitDlg.load(), UWM_DIALOGEND, 0, 0);
        g_bRecorderThreadEnded = 1;
    });
    QTimer finish;
    QObject::connect(&finish, &QTimer::timeout, [&] {
        if (modal.IsDone()) SendMessage(modal.Handle(), WM_SKIN_CLICK, CWaitDlg::IDC_FINISH, 0);
    });
    finish.start(20);
    EXPECT_EQ(modal.exec(), 1);
    recorder.join();
    EXPECT_TRUE(modal.WaitForConvertThread(10000));
    EXPECT_TRUE(fs::exists(dir / "talk.flv"));
    EXPECT_FALSE(modal.ConversionFailed());
}

TEST_F(WaitDialog, ARecordingThatEndedBeforeTheDialogIsStillConverted) {
    g_bRecorderThreadEnded = 1;
    Open("ASF", (dir / "talk.asf").string());
    ASSERT_TRUE(WaitDone());
    EXPECT_TRUE(fs::exists(dir / "talk.asf"));

    // Nothing left to convert: the dialog ends by itself.
    dialog.reset();
    settings::AVIVideoFileName.Set((dir / "gone.avi").string());
    CWaitDlg empty;
    EXPECT_EQ(empty.exec(), 1);
    EXPECT_EQ(g_hWaitDlg.load(), 0u);
}

}  // namespace
}  // namespace kv
