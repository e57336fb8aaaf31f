#include "controls/CustomeButton.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "app/core/AppMessages.h"
#include "controls/SkinBitmaps.h"
#include "controls/SkinNotify.h"

namespace kv {

bool CCustomeButton::s_bHoverReported = false;

CCustomeButton::CCustomeButton(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void CCustomeButton::SetBitmaps(int normal, int highlighted, int pressed) {
    m_nNormalBitmap = normal;
    m_nHighlightedBitmap = highlighted;
    m_nPressedBitmap = pressed;
    m_nCurrentBitmap = normal;
    update();
}

void CCustomeButton::SetNotifyId(int id) { m_nNotifyId = id; }

void CCustomeButton::ShowHighlighted() {
    m_nCurrentBitmap = m_nHighlightedBitmap;
    update();
}

void CCustomeButton::ShowNormal() {
    m_nCurrentBitmap = m_nNormalBitmap;
    update();
}

QSize CCustomeButton::sizeHint() const {
    const QPixmap pixmap = LoadSkinBitmap(m_nNormalBitmap);
    return pixmap.isNull() ? QSize(32, 32) : pixmap.size() / pixmap.devicePixelRatio();
}

bool CCustomeButton::event(QEvent* event) {
    // Focus stays on a skinned button: Tab, Alt and the arrow keys go nowhere.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
        case Qt::Key_Alt:
        case Qt::Key_Left:
        case Qt::Key_Up:
        case Qt::Key_Right:
        case Qt::Key_Down:
            event->accept();
            return true;
        default:
            break;
        }
    }
    return QAbstractButton::event(event);
}

void CCustomeButton::paintEvent(QPaintEvent*) {
    // Only the bitmap: no text, border or focus mark.
    QPainter painter(this);
    const QPixmap pixmap = LoadSkinBitmap(m_nCurrentBitmap);
    if (!pixmap.isNull()) painter.drawPixmap(0, 0, pixmap);
}

void CCustomeButton::PointerEntered() {
    if (m_bCapturing) return;
    m_bCapturing = true;
    m_nCurrentBitmap = m_nHighlightedBitmap;
    s_bHoverReported = false;
}

void CCustomeButton::PointerLeft() {
    if (!m_bCapturing) return;
    m_bCapturing = false;
    s_bHoverReported = false;
    update();
}

void CCustomeButton::enterEvent(QEnterEvent*) {
    PointerEntered();
    if (!s_bHoverReported) {
        // Set first: the parent may move or hide us while it handles the report.
        s_bHoverReported = true;
        NotifySkinParent(this, WM_SKIN_HOVER, m_nNotifyId);
    }
}

void CCustomeButton::mouseMoveEvent(QMouseEvent* event) {
    if (!m_bCapturing) {
        PointerEntered();
        return;
    }
    if (!s_bHoverReported && rect().contains(event->position().toPoint())) {
        s_bHoverReported = true;
        NotifySkinParent(this, WM_SKIN_HOVER, m_nNotifyId);
    }
}

void CCustomeButton::leaveEvent(QEvent*) { PointerLeft(); }

void CCustomeButton::mousePressEvent(QMouseEvent* event) {
    // Swallowed: the button is never pressed by the system; the release reports.
    event->accept();
}

void CCustomeButton::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton) NotifySkinParent(this, WM_SKIN_CLICK, m_nNotifyId);
}

}  // namespace kv
