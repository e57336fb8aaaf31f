// Convert in the wizard with the real container, recorder and conversion
// dialog against the scripted office, on a real X server: an output folder on
// a disk without room for the show is refused in a message box before
// anything is recorded.
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "WizardFixture.h"
#include "app/core/SettingsCatalogue.h"
#include "conversion/dialog/WaitDlg.h"
#include "platform/automation/AutomationServers.h"
#include "platform/automation/ScriptedOffice.h"
#include "platform/core/Trace.h"
#include "playback/container/PptContainerDlg.h"
#include "playback/container/PptContainerRunner.h"
#include "recording/Recorder.h"
#include "support/SmallDisk.h"
#include "support/Xvfb.h"

namespace kvtest {
namespace {

namespace fs = std::filesystem;
using namespace kv::wizard;

// What the user does while the container runs: Play once the show is up,
// and, should the recording go on after all, Stop after a while and Finish
// in the conversion dialog, so a fault ends the case instead of hanging it.
class PresenterAtTheKeyboard {
public:
    PresenterAtTheKeyboard() {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Look(); });
        m_timer.start(50);
    }
    bool pressedPlay = false;
    bool hadToStop = false;

private:
    void Look() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* container = dynamic_cast<kv::CPptContainerDlg*>(widget); container && container->isVisible())
                Drive(*container);
            if (auto* wait = dynamic_cast<kv::CWaitDlg*>(widget); wait && wait->IsDone() && wait->FinishButton().isVisible())
                wait->FinishButton().click();
        }
    }
    void Drive(kv::CPptContainerDlg& container) {
        // Whatever office this machine runs, the scripted one is ours to quit.
        container.Automation().m_bPowerPointWasRunning = 0;
        if (!pressedPlay && container.Automation().m_bStartedCompletely) {
            pressedPlay = true;
            m_played = std::chrono::steady_clock::now();
            container.OnClickedBtnPlay();
        } else if (pressedPlay && !hadToStop && !container.IsStopped() &&
                   std::chrono::steady_clock::now() - m_played > std::chrono::seconds(20)) {
            hadToStop = true;
            // Queued: the stop runs the conversion dialog's modal loop, and this
            // timer does not fire again while its own call is still running.
            QMetaObject::invokeMethod(&container, [&container] { container.OnClickedBtnStop(); }, Qt::QueuedConnection);
        }
    }

    QTimer m_timer;
    std::chrono::steady_clock::time_point m_played;
};

class WizardDiskSpaceTest : public WizardTest {
protected:
    static void SetUpTestSuite() {
        s_xvfb = new XvfbServer("1920x1080x24");
        TestApp("xcb");
    }
    static void TearDownTestSuite() { delete s_xvfb; }
    void TearDown() override {
        m_wizard.reset();
        kv::UnregisterAutomationServer("Powerpoint.Application");
    }

    inline static XvfbServer* s_xvfb = nullptr;
    std::shared_ptr<kv::ScriptedOffice> office = kv::ScriptedOffice::Create();
    kv::PptContainerRunner runner;
};

TEST_F(WizardDiskSpaceTest, AnOutputFolderWithoutRoomIsToldInAMessageBoxAndNothingIsRecorded) {
    const fs::path small = folder.path() / "small disk";
    const SmallDisk disk(small, "1m");
    if (!disk.Mounted()) GTEST_SKIP() << kNoMountReason;
    const fs::path temp = kv::GetTempFolder(folder.path().string());
    fs::remove(fs::path(temp) / "~Record.avi");

    sources.devices.clear();  // no sound: the refusal is about the picture's room alone
    m_wizard = std::make_unique<kv::CTransparentDialogDlg>(runner, shell, sources);
    const std::string talk = ChoosePresentation("Talk.pptx");
    office->AddPresentation(talk, 3);
    office->Register();
    shell.folders.push_back(small.string());
    Click(IDC_ROW_ICON[1]);
    ASSERT_EQ(Edit(IDC_OUTPUT_FOLDER)->text().toStdString(), small.string());
    // Three slides of 10 s at 640x480: more than the disk holds.
    Hover(IDC_TAB_VIDEO);
    ChooseText(IDC_RESOLUTION, "640x480");
    Hover(IDC_TAB_CONVERTER);
    ChooseText(IDC_SLIDE_TIME, "10");

    kv::TraceCapture trace;
    PresenterAtTheKeyboard presenter;
    Wizard().show();
    ASSERT_TRUE(Wizard().OnConvert());  // returns once the container has ended

    EXPECT_TRUE(presenter.pressedPlay);
    EXPECT_FALSE(presenter.hadToStop) << "the recording went on";
    const std::string prefix = "Not enough disk space in " + small.string() + ": 1 MB free, about ";
    ASSERT_EQ(boxes.Texts().size(), 1u) << ::testing::PrintToString(boxes.Texts());
    const std::string text = boxes.Texts()[0];
    ASSERT_EQ(text.rfind(prefix, 0), 0u) << text;
    const std::string needed = text.substr(prefix.size());
    EXPECT_GE(std::stoi(needed), 2) << text;  // more than the disk has
    EXPECT_EQ(needed.substr(needed.find(' ')), " MB needed") << text;

    EXPECT_TRUE(fs::is_empty(small)) << "nothing is written into the output folder";
    EXPECT_FALSE(fs::exists(fs::path(temp) / "~Record.avi")) << "the recording was never opened";
    EXPECT_FALSE(trace.Contains("Recording clock started"));
    EXPECT_FALSE(trace.Contains("ConvertAVITOXThread thread scheduled"));
}

}  // namespace
}  // namespace kvtest
