// The busy control's animation steps, its drawing and its timer.
#include <gtest/gtest.h>

#include <QImage>

#include "controls/BusyProgressCtrl.h"
#include "conversion/QtTestApp.h"

namespace kv {
namespace {

std::vector<int> Steps(CKCBusyProgressCtrl& ctrl, int count) {
    std::vector<int> positions{ctrl.Position()};
    for (int i = 1; i < count; ++i) {
        ctrl.Step();
        positions.push_back(ctrl.Position());
    }
    return positions;
}

class BusyCtrl : public ::testing::Test {
protected:
    BusyCtrl() {
        ctrl.resize(200, 12);
        ctrl.RecalcLayout();
    }
    QApplication& app = kvtest::OffscreenApp();
    CKCBusyProgressCtrl ctrl{10, 0};
};

TEST_F(BusyCtrl, SingleBlockAnimationsBounceAndWrap) {
    EXPECT_EQ(Steps(ctrl, 22), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2, 3}));

    ctrl.SetAnimationType(CKCBusyProgressCtrl::BPC_BUSY_LTR);
    ctrl.Reset();
    EXPECT_EQ(Steps(ctrl, 12), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1}));

    ctrl.SetAnimationType(CKCBusyProgressCtrl::BPC_BUSY_RTL);
    ctrl.Reset();
    EXPECT_EQ(ctrl.Position(), 10);
    ctrl.Step();
    EXPECT_EQ(Steps(ctrl, 12), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 9, 8}));
}

TEST_F(BusyCtrl, RunModeCountsInRunLengthsAndModesGuardTheirSettings) {
    ctrl.SetBlockMode(CKCBusyProgressCtrl::BPC_BLOCK_RUN);
    ctrl.SetAnimationType(CKCBusyProgressCtrl::BPC_BUSY_RTL);
    ctrl.Reset();
    EXPECT_EQ(ctrl.Position(), 50);
    EXPECT_EQ(ctrl.Direction(), -1);

    ctrl.SetMode(CKCBusyProgressCtrl::BPC_MODE_PROGRESS);
    EXPECT_EQ(ctrl.Direction(), 1);
    ctrl.Start();  // progress bars do not animate
    EXPECT_FALSE(ctrl.IsAnimating());
    ctrl.Stop();
    ctrl.SetMode(7);
    EXPECT_EQ(ctrl.Mode(), 7);
    ctrl.SetMode(CKCBusyProgressCtrl::BPC_MODE_BUSY);  // an unknown mode sticks
    EXPECT_EQ(ctrl.Mode(), 7);
}

TEST_F(BusyCtrl, ProgressLightsWholeBlocksAndAStripOfThePartOne) {
    ctrl.SetMode(CKCBusyProgressCtrl::BPC_MODE_PROGRESS);
    ctrl.SetRange(0, 100);
    ctrl.SetPosition(45);
    const QImage image = ctrl.grab().toImage();
    const QColor lit(0, 200, 0), unlit(140, 255, 140);
    for (int block = 0; block < 10; ++block) {
        SCOPED_TRACE(block);
        EXPECT_EQ(image.pixelColor(block * 20 + 15, 6), block < 4 ? lit : unlit);
    }
    // Block 4 runs from x 80 to 100: a strip of 10 pixels from x 81.
    EXPECT_EQ(image.pixelColor(85, 6), lit);
    EXPECT_EQ(image.pixelColor(95, 6), unlit);

    ctrl.SetPosition(100);
    const QImage full = ctrl.grab().toImage();
    for (int block = 0; block < 10; ++block) EXPECT_EQ(full.pixelColor(block * 20 + 10, 6), lit);
}

TEST_F(BusyCtrl, BusyModeLightsTheBlockAtThePosition) {
    ctrl.SetPosition(3);
    const QImage image = ctrl.grab().toImage();
    EXPECT_EQ(image.pixelColor(70, 6), QColor(0, 200, 0));
    EXPECT_EQ(image.pixelColor(50, 6), QColor(140, 255, 140));
}

TEST_F(BusyCtrl, MessagesReachTheOperations) {
    EXPECT_EQ(ctrl.OnMessage(CKCBusyProgressCtrl::BPM_SETCURRENTSTEP, 4, 0), 0);
    EXPECT_EQ(ctrl.Position(), 4);
    ctrl.OnMessage(CKCBusyProgressCtrl::BPM_SETNUMSTEPS, 20, 0);
    EXPECT_DOUBLE_EQ(ctrl.BlockWidth(), 10.0);
    ctrl.OnMessage(CKCBusyProgressCtrl::BPM_SETGRANULARITY, 2, 0);
    EXPECT_DOUBLE_EQ(ctrl.BlockWidth(), 8.0);
    ctrl.OnMessage(CKCBusyProgressCtrl::BPM_SETCOLBKG, 0x00FF0000, 0);  // COLORREF blue
    ctrl.OnMessage(CKCBusyProgressCtrl::BPM_SETNUMSTEPS, 10, 0);
    ctrl.OnMessage(CKCBusyProgressCtrl::BPM_SETGRANULARITY, 0, 0);
    ctrl.resize(300, 12);  // the layout keeps its old block width until recomputed
    EXPECT_DOUBLE_EQ(ctrl.BlockWidth(), 20.0);
    const QImage image = ctrl.grab().toImage();
    EXPECT_EQ(image.pixelColor(250, 6), QColor(0, 0, 255));  // past the blocks: background
    ctrl.OnMessage(CKCBusyProgressCtrl::BPM_RECALC, 0, 0);
    EXPECT_DOUBLE_EQ(ctrl.BlockWidth(), 30.0);
}

TEST_F(BusyCtrl, TheTimerAdvancesUntilStopped) {
    ctrl.SetAnimationType(CKCBusyProgressCtrl::BPC_BUSY_LTR);
    ctrl.SetInterval(20);
    ctrl.Start();
    EXPECT_TRUE(kvtest::ProcessEventsUntil([&] { return ctrl.Position() >= 3; }, 5000));
    ctrl.Stop();
    const int stopped = ctrl.Position();
    kvtest::ProcessEventsUntil([] { return false; }, 100);
    EXPECT_EQ(ctrl.Position(), stopped);
}

TEST_F(BusyCtrl, StartStepsAtOnceAndANewIntervalAppliesWhileRunning) {
    ctrl.SetAnimationType(CKCBusyProgressCtrl::BPC_BUSY_LTR);
    ctrl.SetInterval(60000);
    ctrl.Start();
    EXPECT_EQ(ctrl.Position(), 1) << "the first step comes with Start, before any interval";
    ctrl.Start();  // a restart steps again
    EXPECT_EQ(ctrl.Position(), 2);
    ctrl.SetInterval(20);
    EXPECT_TRUE(kvtest::ProcessEventsUntil([&] { return ctrl.Position() >= 4; }, 5000))
        << "the shorter interval applies without a new Start";
    ctrl.Stop();

    ctrl.SetMode(CKCBusyProgressCtrl::BPC_MODE_PROGRESS);
    const int before = ctrl.Position();
    ctrl.Start();  // progress bars take no step
    EXPECT_EQ(ctrl.Position(), before);
}

}  // namespace
}  // namespace kv
