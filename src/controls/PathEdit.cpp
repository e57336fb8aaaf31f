#include "controls/PathEdit.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace kv {
namespace {

// The skin's quiet colours: a resting tile with a hairline, light text.
const QColor kReadOnlyField(0x30, 0x35, 0x43);
const QColor kReadOnlyEdge(0x4a, 0x52, 0x66);
const QColor kReadOnlyText(0xec, 0xee, 0xf4);
constexpr int kTextMargin = 5;

}  // namespace

CPathEdit::CPathEdit(QWidget* parent) : CColoredEdit(parent) {
    setReadOnly(true);
    SetBkColor(kReadOnlyField);
    SetTextColor(kReadOnlyText);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
}

void CPathEdit::SetPath(const QString& path) {
    setText(path);
    setToolTip(path);
    update();
}

QRect CPathEdit::TextArea() const { return rect().adjusted(kTextMargin, 0, -kTextMargin, 0); }

QString CPathEdit::ShownText() const { return fontMetrics().elidedText(text(), Qt::ElideLeft, TextArea().width()); }

void CPathEdit::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), kReadOnlyField);
    painter.setPen(hasFocus() ? TextColor() : kReadOnlyEdge);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(TextColor());
    painter.drawText(TextArea(), Qt::AlignVCenter | Qt::AlignLeft, ShownText());
}

void CPathEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Clicked();
}

void CPathEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space) {
        emit Clicked();
        return;
    }
    CColoredEdit::keyPressEvent(event);
}

}  // namespace kv
