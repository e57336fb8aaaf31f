// The live sound check on a real X server with the test sound source: the
// Audio page's meter moves with a sounding device and tells a silent one,
// lets the device go before the recording, and the recording window's
// toolbar shows the level of the sound the recording itself reads (its
// picture goes to docs/screenshots).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "QtTestApp.h"
#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "app/wizard/TransparentDialogDlg.h"
#include "app/wizard/WizardLayout.h"
#include "audio/AudioDeviceTable.h"
#include "audio/WaveIn.h"
#include "controls/LevelMeter.h"
#include "playback/container/ContainerToolbar.h"
#include "recording/state/RecorderState.h"
#include "recording/state/RecordingTimeline.h"
#include "support/SoundSource.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;
using namespace kv::wizard;

class SoundCheckTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_xvfb = new XvfbServer();
        TestApp("xcb");
        s_sound = new TestSoundSource();
    }
    static void TearDownTestSuite() {
        delete s_sound;
        delete s_xvfb;
    }

    // Runs the event loop for `time`, calling `look` every 20 ms.
    static void Watch(std::chrono::milliseconds time, const std::function<void()>& look) {
        for (auto end = std::chrono::steady_clock::now() + time; std::chrono::steady_clock::now() < end;) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            std::this_thread::sleep_for(10ms);
            look();
        }
    }
    // The highest the meter shows over `time`.
    static int Highest(const kv::CLevelMeter* meter, std::chrono::milliseconds time) {
        int highest = 0;
        Watch(time, [&] { highest = std::max(highest, meter->Percent()); });
        return highest;
    }

    static XvfbServer* s_xvfb;
    static TestSoundSource* s_sound;
    ScopedRegistry registry;
    ScopedMessageBoxes boxes;
    TempDir folder;
};

XvfbServer* SoundCheckTest::s_xvfb = nullptr;
TestSoundSource* SoundCheckTest::s_sound = nullptr;

TEST_F(SoundCheckTest, TheAudioPageMeterMovesWithSoundTellsSilenceAndFreesTheDeviceForTheRecording) {
    ScriptedShell shell;
    FakeSources sources;
    sources.devices = {{TestSoundSource::kPacedDevice, "Test tone", "A tone of the test"}};
    RecordingContainer container;
    // The page's default choice records 44.1 kHz stereo: the source plays that.
    s_sound->SetTone(44100, 2, 16, 440.0, 30);
    kv::CTransparentDialogDlg wizard(container, shell, sources);
    wizard.show();
    auto* meter = wizard.Controls().Meter();
    auto* silenceText = wizard.Controls().SilenceText();
    const auto hover = [&](int id) { kv::SendMessage(wizard.Handle(), kv::WM_SKIN_HOVER, id, 0); };

    hover(IDC_TAB_AUDIO);
    EXPECT_TRUE(wizard.SoundCheck().Running());
    EXPECT_EQ(wizard.SoundCheck().Device(), TestSoundSource::kPacedDevice);
    EXPECT_TRUE(meter->isVisible());
    bool silenceShown = false;
    int highest = 0;
    Watch(3500ms, [&] {
        highest = std::max(highest, meter->Percent());
        silenceShown = silenceShown || silenceText->isVisible();
    });
    EXPECT_GE(highest, 80) << "a sine at half of full scale is -6 dB";
    EXPECT_FALSE(silenceShown) << "a sounding device is never called silent";

    hover(IDC_TAB_VIDEO);
    EXPECT_FALSE(wizard.SoundCheck().Running()) << "another page frees the device";
    EXPECT_EQ(meter->Percent(), 0);
    EXPECT_FALSE(meter->isVisible());

    // A device that gives only digital silence.
    s_sound->SetTone(44100, 2, 16, 0.0, 30);
    hover(IDC_TAB_AUDIO);
    Watch(1500ms, [&] { silenceShown = silenceShown || silenceText->isVisible(); });
    EXPECT_FALSE(silenceShown) << "not before three seconds";
    highest = Highest(meter, 2000ms);
    EXPECT_EQ(highest, 0);
    EXPECT_TRUE(silenceText->isVisible());
    EXPECT_EQ(silenceText->text().toStdString(), "No sound from this device");

    // Convert: the check has let the device go before the recording runs.
    const auto path = folder.path() / "Talk.pptx";
    std::ofstream(path) << "PK\x03\x04 slides";
    shell.presentations.push_back(path.string());
    hover(IDC_TAB_IO);
    kv::SendMessage(wizard.Handle(), kv::WM_SKIN_CLICK, IDC_ROW_ICON[0], 0);
    hover(IDC_TAB_AUDIO);
    ASSERT_TRUE(wizard.SoundCheck().Running());
    bool checkRanDuringRecording = true;
    container.whileRunning = [&] { checkRanDuringRecording = wizard.SoundCheck().Running(); };
    kv::SendMessage(wizard.Handle(), kv::WM_SKIN_CLICK, IDC_CONVERT, 0);
    ASSERT_EQ(container.requests.size(), 1u) << (boxes.Texts().empty() ? "" : boxes.Texts().front());
    EXPECT_FALSE(checkRanDuringRecording);
}

TEST_F(SoundCheckTest, TheToolbarShowsTheLevelOfTheRecordedSound) {
    kv::settings::CaptureSound.Set(1);
    kv::settings::SoundDevice.Set(0);  // "default": the test source
    kv::settings::AudioProperties.Set("44.1 kHz, stereo, 16-bit");
    kv::AudioDeviceTable.Fill();
    s_sound->SetTone(44100, 2, 16, 440.0, 30);
    kv::ContainerToolbar toolbar(nullptr);
    toolbar.EnableButton(kv::ID_BTN_PLAY, false);  // as while the show records
    toolbar.show();
    ASSERT_NE(toolbar.SoundMeter(), nullptr);
    EXPECT_EQ(Highest(toolbar.SoundMeter(), 300ms), 0) << "nothing before the recording";

    kv::g_bRecording = 1;
    kv::g_bPaused = 0;
    kv::InitAudioRecording(folder.path() / "~Record001.wav");
    kv::g_RecordingTimeline.Start(std::chrono::steady_clock::now());
    ASSERT_EQ(kv::StartAudioRecording(nullptr), 1) << kv::GetAudioCaptureProblem();
    const int during = Highest(toolbar.SoundMeter(), 1500ms);
    const QImage shot = ScreenAround(QRect(toolbar.mapToGlobal(QPoint(0, 0)), toolbar.size()));
    kv::StopAt(std::chrono::steady_clock::now());
    kv::StopAudioRecording();
    kv::ClearAudioFile();
    kv::g_bRecording = 0;
    EXPECT_GE(during, 80);
    // The picture of the README: the meter lit on the screen, as the user sees it.
    const QPoint meterMiddle = toolbar.SoundMeter()->geometry().center();
    ASSERT_FALSE(shot.isNull());
    EXPECT_GE(shot.pixelColor(meterMiddle.x() - 20, meterMiddle.y()).green(), 170)
        << "the meter's fill (not its dark trough) is shown";
    std::filesystem::create_directories(ScreenshotFolder());
    EXPECT_TRUE(shot.save(QString::fromStdString((ScreenshotFolder() / "5-recording-toolbar.png").string())));
    Watch(300ms, [] {});
    EXPECT_EQ(toolbar.SoundMeter()->Percent(), 0) << "the meter falls back when the recording ends";

    kv::settings::CaptureSound.Set(0);
    kv::ContainerToolbar silentToolbar(nullptr);
    EXPECT_EQ(silentToolbar.SoundMeter(), nullptr) << "no meter when no sound is recorded";
    EXPECT_LT(silentToolbar.FullSize().width(), toolbar.FullSize().width());
}

}  // namespace
}  // namespace kvtest
