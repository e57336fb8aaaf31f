// The wizard on a real X server: its four pages, an open list and the
// conversion dialog as the user sees them
// (written to docs/screenshots/) and the window's shape taken from the frame.
#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QWindow>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "QtTestApp.h"
#include "WizardFixture.h"
#include "app/core/SettingsCatalogue.h"
#include "app/wizard/TransparentDialogDlg.h"
#include "controls/BusyProgressCtrl.h"
#include "conversion/ConversionProgress.h"
#include "conversion/dialog/WaitDlg.h"
#include "playback/container/PptContainerRunner.h"
#include "recording/state/RecorderState.h"
#include "app/wizard/WizardLayout.h"
#include "controls/LevelMeter.h"
#include "support/SoundSource.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"

namespace kvtest {
namespace {

using namespace kv::wizard;

void Settle(int ms = 300) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Waits until the server shows `colour` at `point` of the screen (the window
// is mapped and painted); false after five seconds.
bool WaitForColour(QPoint point, const QColor& colour) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < end) {
        if (ScreenAround(QRect(point, QSize(1, 1))).pixelColor(0, 0) == colour) return true;
        Settle(50);
    }
    return false;
}

}  // namespace

TEST(WizardScreenshots, FourPagesAnOpenListAndTheConversionDialog) {
    XvfbServer xvfb;
    TestApp("xcb");
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    ScopedRegistry registry;
    ScopedMessageBoxes boxes;
    ScriptedShell shell;
    TestSoundSource sound;  // a sounding default device for the Audio page's meter
    sound.SetTone(44100, 2, 16, 440.0, 30);
    kv::SystemWizardSources sources;  // this machine's sound devices and encoders
    // The program's own runner: the Video page offers the size this screen records.
    kv::PptContainerRunner container;

    // A fixed, readable path for the pictures.
    const std::filesystem::path demo = "/tmp/kalvista-screenshots/Talks";
    std::filesystem::create_directories(demo);
    WritePackageStart(demo / "Quarterly Review.pptx");
    shell.presentations.push_back((demo / "Quarterly Review.pptx").string());

    const QColor frameColour(0x1b, 0x1e, 0x26);
    kv::CTransparentDialogDlg wizard(container, shell, sources);
    wizard.show();
    Settle(200);
    ASSERT_TRUE(wizard.isVisible());
    ASSERT_TRUE(WaitForColour(wizard.geometry().topLeft() + QPoint(400, 8), frameColour)) << "the window appears";
    Settle(200);
    ASSERT_FALSE(wizard.Shape().isEmpty()) << "the frame bitmap was found";
    EXPECT_TRUE(boxes.Texts().empty());

    const QRect frame = wizard.geometry();
    const QSize screen = QGuiApplication::primaryScreen()->size();
    EXPECT_EQ(frame.size(), QSize(744, 491));
    EXPECT_EQ(frame.x(), screen.width() / 2 - 744 / 2);
    EXPECT_EQ(frame.y(), screen.height() / 2 - 491 / 2);

    std::filesystem::create_directories(ScreenshotFolder());
    EXPECT_TRUE(ScreenAround(frame).save(QString::fromStdString((ScreenshotFolder() / "0-start.png").string())));
    const std::pair<int, const char*> pages[] = {{IDC_TAB_IO, "1-input-output"},
                                                 {IDC_TAB_AUDIO, "2-audio"},
                                                 {IDC_TAB_VIDEO, "3-video"},
                                                 {IDC_TAB_CONVERTER, "4-converter"}};
    for (auto [tab, name] : pages) {
        wizard.OnSkinHover(tab);
        if (tab == IDC_TAB_IO) wizard.OnSkinClick(IDC_ROW_ICON[0]);  // the presentation
        if (tab != IDC_TAB_IO) wizard.OnSkinHover(IDC_ROW_LABEL[1]);  // a lit row
        Settle(tab == IDC_TAB_AUDIO ? 1000 : 300);
        if (tab == IDC_TAB_AUDIO) {
            EXPECT_GT(wizard.Controls().Meter()->Percent(), 0) << "the meter shows the tone";
        }
        // Grab the window with a margin: outside its shape the server shows
        // what lies below, not the frame.
        const QImage shot = ScreenAround(frame.adjusted(-8, -8, 8, 8));
        ASSERT_FALSE(shot.isNull());
        const QPoint corner(8, 8), top(8 + 400, 8 + 8);
        EXPECT_NE(shot.pixelColor(corner), frameColour) << name << ": the rounded corner is cut away";
        EXPECT_NE(shot.pixelColor(corner + QPoint(2, 2)), frameColour) << name;
        EXPECT_EQ(shot.pixelColor(top), frameColour) << name << ": the frame is painted";
        const QImage window = ScreenAround(frame);
        EXPECT_TRUE(window.save(QString::fromStdString((ScreenshotFolder() / (std::string(name) + ".png")).string())));
    }
    // The value controls of the last page are real widgets on screen.
    EXPECT_TRUE(wizard.Controls().Control(IDC_SLIDE_TIME)->isVisible());

    // A list open under its box: the Video page's sizes, the largest one that fits.
    wizard.OnSkinHover(IDC_TAB_VIDEO);
    Settle(200);
    wizard.Controls().Combo(IDC_RESOLUTION)->showPopup();
    Settle(400);
    QWidget* list = QApplication::activePopupWidget();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(ScreenAround(frame.united(list->geometry()))
                    .save(QString::fromStdString((ScreenshotFolder() / "6-list-open.png").string())));
    wizard.Controls().Combo(IDC_RESOLUTION)->hidePopup();
    wizard.close();
    Settle(100);

    // The conversion dialog while it converts: each text in its place, the
    // percent and time left on one line under the busy bar.
    {
        kv::settings::OutputFormat.Set("MP4");
        kv::g_bRecorderThreadEnded = 0;
        kv::CWaitDlg dialog;
        dialog.show();
        Settle(300);
        dialog.BusyCtrl().setEnabled(true);
        dialog.BusyCtrl().Start();
        dialog.ProgressLabel().setText(QString::fromStdString(kv::ConversionProgressText({true, true, 8, 3})));
        dialog.ProgressLabel().show();
        Settle(600);
        EXPECT_TRUE(ScreenAround(dialog.geometry())
                        .save(QString::fromStdString((ScreenshotFolder() / "7-conversion.png").string())));
        dialog.BusyCtrl().Stop();
    }
    std::filesystem::remove_all("/tmp/kalvista-screenshots");
}

}  // namespace kvtest
