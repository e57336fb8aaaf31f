// The skinned controls report to their dialog: hover once per entry for a
// button, on every move for a combo, click on release wherever it happens.
#include <QAbstractItemView>
#include <QComboBox>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "QtTestApp.h"
#include "app/core/AppMessages.h"
#include "controls/ColoredCombo.h"
#include "controls/ColoredEdit.h"
#include "controls/CustomeButton.h"
#include "controls/SkinBitmaps.h"
#include "controls/SkinNotify.h"
#include "platform/ui/QtMessageThread.h"

namespace kvtest {
namespace {

// A dialog stand-in that records what its controls report.
class ReportingParent : public kv::MessageReceiver {
public:
    ReportingParent() {
        window = kv::CreateWindowHandle(this, &kv::QtMessageThread::Main(), "Test", "Test");
        kv::SetSkinParentWindow(&widget, window);
        widget.resize(300, 200);
    }
    ~ReportingParent() override { kv::DestroyWindowHandle(window); }
    kv::LRESULT OnMessage(kv::UINT message, kv::WPARAM wParam, kv::LPARAM) override {
        reports.emplace_back(message, static_cast<int>(wParam));
        return 0;
    }
    int Count(kv::UINT message) const {
        int n = 0;
        for (auto& r : reports) n += r.first == message;
        return n;
    }

    QWidget widget;
    kv::HWND window = 0;
    std::vector<std::pair<kv::UINT, int>> reports;
};

void Enter(QWidget* w, QPointF at) {
    QEnterEvent event(at, w->mapToGlobal(at), w->mapToGlobal(at));
    QApplication::sendEvent(w, &event);
}
void Leave(QWidget* w) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(w, &event);
}
void Mouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::NoButton) {
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

// A combo of the wizard's size and colours.
void SkinAsTheWizardDoes(kv::CColoredCombo& combo, const QStringList& entries) {
    combo.resize(160, 23);
    combo.SetBkColor(QColor(100, 100, 255));
    combo.SetTextColor(Qt::white);
    combo.addItems(entries);
}

}  // namespace

TEST(SkinControls, ButtonReportsHoverOncePerEntryAndClickOnRelease) {
    TestApp();
    ReportingParent parent;
    auto* button = new kv::CCustomeButton(&parent.widget);
    button->setGeometry(10, 10, 60, 40);
    button->SetBitmaps(195, 196, 196);
    button->SetNotifyId(1092);

    Enter(button, {5, 5});
    for (int i = 0; i < 5; ++i) Mouse(button, QEvent::MouseMove, {5.0 + i, 5});
    EXPECT_EQ(parent.Count(kv::WM_SKIN_HOVER), 1);
    EXPECT_EQ(button->CurrentBitmap(), 196) << "the pointer lights the button";
    Leave(button);
    EXPECT_EQ(button->CurrentBitmap(), 196) << "the dialog decides when it goes back";
    Enter(button, {5, 5});
    Mouse(button, QEvent::MouseMove, {6, 6});
    EXPECT_EQ(parent.Count(kv::WM_SKIN_HOVER), 2);

    // Pressed inside, released far outside: still a click, and no command.
    int commands = 0;
    QObject::connect(button, &QAbstractButton::clicked, [&] { ++commands; });
    Mouse(button, QEvent::MouseButtonPress, {5, 5}, Qt::LeftButton);
    Mouse(button, QEvent::MouseButtonRelease, {500, 500}, Qt::LeftButton);
    EXPECT_EQ(parent.Count(kv::WM_SKIN_CLICK), 1);
    EXPECT_EQ(parent.reports.back().second, 1092);
    EXPECT_EQ(commands, 0);
    EXPECT_FALSE(button->isDown());

    button->ShowNormal();
    EXPECT_EQ(button->CurrentBitmap(), 195);
    button->ShowHighlighted();
    EXPECT_TRUE(button->IsHighlighted());
}

TEST(SkinControls, ButtonKeepsTheFocusAgainstTabAndArrows) {
    TestApp();
    ReportingParent parent;
    auto* first = new kv::CCustomeButton(&parent.widget);
    auto* second = new kv::CCustomeButton(&parent.widget);
    second->move(100, 0);
    parent.widget.show();
    first->setFocus();
    ProcessEvents();
    for (auto key : {Qt::Key_Tab, Qt::Key_Right, Qt::Key_Down, Qt::Key_Backtab}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(first, &press);
        EXPECT_TRUE(first->hasFocus()) << key;
    }
    // Space still presses it: the keyboard's command.
    int commands = 0;
    QObject::connect(first, &QAbstractButton::clicked, [&] { ++commands; });
    first->click();
    EXPECT_EQ(commands, 1);
}

TEST(SkinControls, ComboReportsEveryMoveAfterTheFirst) {
    TestApp();
    ReportingParent parent;
    auto* combo = new kv::CColoredCombo(&parent.widget);
    combo->setGeometry(10, 10, 200, 24);
    combo->SetNotifyId(1205);
    combo->SetBkColor(QColor(100, 100, 255));
    combo->SetTextColor(Qt::white);
    combo->addItems({"5 FPS", "10 FPS"});
    Enter(combo, {5, 5});
    for (int i = 0; i < 4; ++i) Mouse(combo, QEvent::MouseMove, {5.0 + i, 5});
    EXPECT_EQ(parent.Count(kv::WM_SKIN_HOVER), 3);
    EXPECT_EQ(parent.reports.back().second, 1205);
    EXPECT_TRUE(combo->IsPointerInside());
    Leave(combo);
    EXPECT_FALSE(combo->IsPointerInside());

    // The arrow's area is on the right, or on the left for right-to-left.
    EXPECT_GT(combo->ButtonArea().left(), combo->width() / 2);
    combo->setLayoutDirection(Qt::RightToLeft);
    EXPECT_LT(combo->ButtonArea().right(), combo->width() / 2);
}

TEST(SkinControls, EditableComboClosesItsOpenListOnEnter) {
    TestApp();
    kv::CColoredCombo combo;
    SkinAsTheWizardDoes(combo, {"5 FPS", "10 FPS"});
    combo.MakeEditable();
    auto* edit = dynamic_cast<kv::CColoredEditInCombo*>(combo.lineEdit());
    ASSERT_NE(edit, nullptr);
    EXPECT_FALSE(edit->isReadOnly());
    EXPECT_EQ(edit->BkColor(), QColor(100, 100, 255));
    combo.show();
    combo.showPopup();
    ASSERT_TRUE(combo.IsDroppedDown());
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(edit, &enter);
    EXPECT_FALSE(combo.IsDroppedDown());
    EXPECT_FALSE(combo.view()->isVisible());
}

TEST(SkinControls, ComboPaintsItsFlatSkin) {
    TestApp();
    kv::CColoredCombo combo;
    SkinAsTheWizardDoes(combo, {"Stereo"});
    const QImage image = combo.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(1, 1), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(40, 2), QColor(100, 100, 255));
    // The arrow: four rows, cy - 2 to the tip at cy + 1, seven pixels at the top.
    const QRect button = combo.ButtonArea();
    const int cx = button.left() + button.width() / 2;
    const int cy = 2 + (23 - 4) / 2;
    for (int y = cy - 2; y <= cy + 1; ++y) EXPECT_EQ(image.pixelColor(cx, y), QColor(Qt::white)) << y;
    EXPECT_EQ(image.pixelColor(cx - 3, cy - 2), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(cx + 3, cy - 2), QColor(Qt::white));
    EXPECT_NE(image.pixelColor(cx - 3, cy - 1), QColor(Qt::white));
    EXPECT_NE(image.pixelColor(cx, cy - 3), QColor(Qt::white));
    EXPECT_NE(image.pixelColor(cx - 3, cy - 3), QColor(Qt::white));
    EXPECT_NE(image.pixelColor(cx, cy + 2), QColor(Qt::white));
}

TEST(SkinControls, EveryBitmapTheWizardNamesIsDrawn) {
    TestApp();
    EXPECT_FALSE(kv::FindSkinFile("IDB_DIALOG_FRAME.bmp").empty());
    const int ids[] = {128, 195, 196, 197, 198, 199, 200, 201, 202, 203, 204, 205, 206, 207, 208, 209, 210,
                       211, 212, 213, 214, 215, 216, 217, 218, 219, 220, 221, 222, 223, 224, 225, 226, 227,
                       228, 229, 230, 231, 232, 233, 234, 235, 236, 237, 238, 239, 240, 241, 242, 243, 244,
                       246, 247, 248, 250, 251, 252, 253, 255, 256, 261, 262, 263, 264, 265, 276, 277, 282,
                       283, 287, 288, 297, 298, 299, 300, 303, 304, 305, 306, 307, 312, 313, 314, 315, 316, 317,
                       318, 319};
    for (int id : ids) EXPECT_FALSE(kv::LoadSkinBitmap(id).isNull()) << id;
    EXPECT_EQ(kv::LoadSkinBitmap(195).size(), QSize(75, 82));
    EXPECT_EQ(kv::LoadSkinBitmap(299).size(), QSize(246, 30));
    EXPECT_EQ(kv::LoadSkinBitmap(233).size(), QSize(256, 22));
    EXPECT_EQ(kv::LoadSkinBitmap(220).size(), QSize(65, 52));
    EXPECT_EQ(kv::LoadSkinBitmap(306).size(), QSize(94, 30));
    EXPECT_EQ(kv::LoadSkinBitmap(287).size(), QSize(34, 32));
}

}  // namespace kvtest
