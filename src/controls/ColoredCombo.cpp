#include "controls/ColoredCombo.h"

#include <QAbstractItemView>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QProxyStyle>
#include <QStyle>
#include <algorithm>

#include "app/core/AppMessages.h"
#include "controls/ColoredEdit.h"
#include "controls/FlatColours.h"
#include "controls/SkinNotify.h"
#include "platform/ui/WindowPlace.h"

namespace kv {
namespace {
// The frame of the arrow's button area, the skin's accent.
const QColor kButtonFrame(100, 100, 255);

// Some styles open a list over its box, its chosen entry on the box and as
// long as the screen; ours opens under the box, a few entries long.
class ListUnderBoxStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == QStyle::SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};
}  // namespace

CColoredCombo::CColoredCombo(QWidget* parent) : QComboBox(parent) {
    auto* style = new ListUnderBoxStyle;
    style->setParent(this);
    setStyle(style);
    setMouseTracking(true);
    ApplyColours();
    // The list shows each entry's start; the field's tooltip, and an entry's own, the whole.
    view()->setTextElideMode(Qt::ElideRight);
    connect(this, &QComboBox::currentIndexChanged, this, [this] { UpdateToolTip(); });
}

void CColoredCombo::UpdateToolTip() {
    const QVariant own = currentIndex() >= 0 ? itemData(currentIndex(), Qt::ToolTipRole) : QVariant();
    setToolTip(own.isValid() ? own.toString() : currentText());
}

QString CColoredCombo::ShownText() const {
    return fontMetrics().elidedText(currentText(), Qt::ElideRight, TextArea().width());
}

QRect CColoredCombo::TextArea() const {
    const QRect button = ButtonArea();
    QRect textRect = rect().adjusted(2 + 4, 2, -2 - 4, -2);
    if (layoutDirection() == Qt::RightToLeft)
        textRect.setLeft(button.right() + 4);
    else
        textRect.setRight(button.left() - 4);
    return textRect;
}

int CColoredCombo::PopupWidth() const {
    int widest = 0;
    const QFontMetrics metrics = view()->fontMetrics();
    for (int i = 0; i < count(); ++i) widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
    // Room for the item's margins and the scroll bar.
    const int wanted = widest + 24 + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const QScreen* shown = screen();
    const int most = shown ? shown->availableGeometry().width() : wanted;
    return std::clamp(wanted, width(), std::max(width(), most));
}

void CColoredCombo::SetBkColor(const QColor& colour) {
    m_crBackground = colour;
    if (m_pEdit) m_pEdit->SetBkColor(colour);
    ApplyColours();
}

void CColoredCombo::SetTextColor(const QColor& colour) {
    m_crText = colour;
    if (m_pEdit) m_pEdit->SetTextColor(colour);
    ApplyColours();
}

void CColoredCombo::SetNotifyId(int id) { m_nNotifyId = id; }

void CColoredCombo::MakeEditable() {
    if (m_pEdit) return;
    setEditable(true);
    m_pEdit = new CColoredEditInCombo(this);
    m_pEdit->SetBkColor(m_crBackground);
    m_pEdit->SetTextColor(m_crText);
    m_pEdit->setReadOnly(false);
    setLineEdit(m_pEdit);
    m_pEdit->setMouseTracking(true);
}

void CColoredCombo::ApplyColours() {
    ApplyFlatColours(this, m_crBackground, m_crText);
    // The drop-down list in the same colours as the field.
    view()->setPalette(palette());
    update();
}

QRect CColoredCombo::ButtonArea() const {
    const QRect inner = rect().adjusted(2, 2, -2, -2);
    const int s = std::min(inner.height(), style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this));
    QRect area = inner;
    if (layoutDirection() == Qt::RightToLeft)
        area.setRight(inner.left() + s - 1);
    else
        area.setLeft(inner.right() - s + 1);
    return area;
}

void CColoredCombo::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QRect r = rect();
    // Two one-pixel black frames, then the flat background.
    painter.setPen(Qt::black);
    painter.drawRect(r.adjusted(0, 0, -1, -1));
    painter.drawRect(r.adjusted(1, 1, -2, -2));
    r.adjust(2, 2, -2, -2);
    painter.fillRect(r, m_crBackground);

    const QRect button = ButtonArea();
    if (!isEditable()) {
        // The chosen entry's text, its start in view; an editable combo's field draws its own.
        painter.setPen(m_crText);
        painter.drawText(TextArea(), Qt::AlignVCenter | Qt::AlignLeft, ShownText());
    }

    // A solid downward triangle, seven pixels wide and four high (rows cy - 2
    // to cy + 1), tip at (cx, cy + 1); drawLine includes both end points.
    const int cx = button.left() + button.width() / 2;
    const int cy = r.top() + r.height() / 2;
    painter.setPen(QPen(m_crText, 1));
    for (int k = 0; k <= 3; ++k) {
        for (int x : {cx - k, cx + k}) painter.drawLine(x, cy + 1 - k, x, cy - 2);
    }

    painter.setPen(kButtonFrame);
    painter.drawRect(button.adjusted(0, 0, -1, -1));
    if (m_bClicked)
        m_bClicked = false;
    else
        painter.drawRect(button.adjusted(1, 1, -2, -2));
}

void CColoredCombo::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) m_bClicked = true;
    QComboBox::mousePressEvent(event);
}

void CColoredCombo::enterEvent(QEnterEvent* event) {
    // The first move inside starts the tracking; the reports follow it.
    QComboBox::enterEvent(event);
}

void CColoredCombo::mouseMoveEvent(QMouseEvent* event) {
    if (!m_bCapturing) {
        m_bCapturing = true;
    } else {
        NotifySkinParent(this, WM_SKIN_HOVER, m_nNotifyId);
        if (rect().contains(event->position().toPoint())) m_bPointerInside = true;
    }
    QComboBox::mouseMoveEvent(event);
}

void CColoredCombo::leaveEvent(QEvent* event) {
    m_bCapturing = false;
    m_bPointerInside = false;
    QComboBox::leaveEvent(event);
}

void CColoredCombo::showPopup() {
    m_bDroppedDown = true;
    // The list opens under the box: Qt must know where the window really is.
    SyncWindowPosition(window());
    view()->setMinimumWidth(PopupWidth());
    QComboBox::showPopup();
}

void CColoredCombo::hidePopup() {
    m_bDroppedDown = false;
    QComboBox::hidePopup();
}

}  // namespace kv
