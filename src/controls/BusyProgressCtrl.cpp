#include "controls/BusyProgressCtrl.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>

namespace kv {

namespace {
// A COLORREF in a message parameter: 0x00BBGGRR.
QColor FromColorRef(WPARAM value) {
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}
}  // namespace

CKCBusyProgressCtrl::CKCBusyProgressCtrl(int numBlocks, int position, QWidget* parent)
    : QWidget(parent), m_nNumBlocks(numBlocks), m_nPos(position), m_nTotal(numBlocks * 5) {
    setObjectName("BusyProgressCtrl");
    setAttribute(Qt::WA_OpaquePaintEvent);
    connect(&m_timer, &QTimer::timeout, this, [this] { Step(); });
}

CKCBusyProgressCtrl::~CKCBusyProgressCtrl() { m_timer.stop(); }

void CKCBusyProgressCtrl::SetNumBlocks(int count) {
    m_nNumBlocks = count;
    RecalcLayout();
    Repaint();
}

void CKCBusyProgressCtrl::SetPosition(int position) {
    m_nPos = position;
    Repaint();
}

void CKCBusyProgressCtrl::SetGap(int gap) {
    m_nGap = gap;
    RecalcLayout();
    Repaint();
}

void CKCBusyProgressCtrl::SetRange(int lower, int upper) {
    m_nLower = lower;
    m_nUpper = upper;
}

void CKCBusyProgressCtrl::SetMode(int mode) {
    Stop();
    if (m_nMode != BPC_MODE_BUSY && m_nMode != BPC_MODE_PROGRESS) return;
    m_nMode = mode;
    if (mode == BPC_MODE_PROGRESS) m_nDirection = 1;
}

void CKCBusyProgressCtrl::SetInterval(int milliseconds) {
    m_nSpeed = milliseconds;
    if (m_timer.isActive()) m_timer.setInterval(std::max(1, m_nSpeed));
}

void CKCBusyProgressCtrl::Start() {
    if (m_nMode != BPC_MODE_BUSY) return;
    m_timer.stop();
    // The first step shows at once, the next ones one interval apart.
    Step();
    m_timer.start(std::max(1, m_nSpeed));
}

void CKCBusyProgressCtrl::Stop() { m_timer.stop(); }

void CKCBusyProgressCtrl::Step() {
    if (m_nMode == BPC_MODE_BUSY) {
        const int n = m_nBlockMode == BPC_BLOCK_RUN ? m_nTotal : m_nNumBlocks;
        switch (m_nAnimationType) {
        case BPC_BUSY_PINGPONG:
            if (m_nPos >= n - 1) m_nDirection = -1;
            if (m_nPos <= 0) m_nDirection = 1;
            break;
        case BPC_BUSY_LTR:
            if (m_nPos == n - 1) m_nPos = -1;
            break;
        case BPC_BUSY_RTL:
            if (m_nPos == 0) m_nPos = n;
            break;
        default: break;
        }
    }
    m_nPos += m_nDirection;
    Repaint();
}

void CKCBusyProgressCtrl::SetAnimationType(int type) {
    m_nAnimationType = type;
    if (m_nMode != BPC_MODE_BUSY) return;
    if (type == BPC_BUSY_LTR) m_nDirection = 1;
    if (type == BPC_BUSY_RTL) m_nDirection = -1;
}

void CKCBusyProgressCtrl::SetBlockMode(int mode) {
    if (m_nMode != BPC_MODE_BUSY) return;
    m_nBlockMode = mode;
    Reset();
    if (mode == BPC_BLOCK_RUN) m_nTotal = m_nRunLength * m_nNumBlocks;
}

void CKCBusyProgressCtrl::SetRunLength(int length) {
    m_nRunLength = length;
    if (m_nMode == BPC_MODE_BUSY) Reset();
    if (m_nBlockMode == BPC_BLOCK_RUN) m_nTotal = m_nNumBlocks * m_nRunLength;
}

void CKCBusyProgressCtrl::SetColBkg(QColor colour) { m_colBkg = colour, Repaint(); }
void CKCBusyProgressCtrl::SetColBlockFace(QColor colour) { m_colBlockFace = colour, Repaint(); }
void CKCBusyProgressCtrl::SetColBlockEdge(QColor colour) { m_colBlockEdge = colour, Repaint(); }
void CKCBusyProgressCtrl::SetColBlockFaceHi(QColor colour) { m_colBlockFaceHi = colour, Repaint(); }
void CKCBusyProgressCtrl::SetColBlockEdgeHi(QColor colour) { m_colBlockEdgeHi = colour, Repaint(); }

void CKCBusyProgressCtrl::RecalcLayout() {
    if (m_rect.isEmpty()) m_rect = rect();
    m_dBlockWidth = m_nNumBlocks > 0
                        ? (static_cast<double>(m_rect.width()) - m_nNumBlocks * m_nGap) / m_nNumBlocks
                        : 0.0;
    m_dBlockHeight = m_rect.height();
}

void CKCBusyProgressCtrl::Reset() {
    if (m_nMode == BPC_MODE_BUSY && m_nAnimationType == BPC_BUSY_RTL) {
        m_nPos = m_nBlockMode == BPC_BLOCK_RUN ? m_nRunLength * m_nNumBlocks : m_nNumBlocks;
        m_nDirection = -1;
    } else {
        m_nPos = 0;
        m_nDirection = 1;
    }
}

void CKCBusyProgressCtrl::UseSysCol(bool use) {
    m_bUseSysCol = use;
    if (use) m_colBkg = palette().color(QPalette::Button);
    Repaint();
}

LRESULT CKCBusyProgressCtrl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const int value = static_cast<int>(wParam);
    switch (message) {
    case BPM_SETNUMSTEPS: SetNumBlocks(value); break;
    case BPM_SETCURRENTSTEP: SetPosition(value); break;
    case BPM_SETGRANULARITY: SetGap(value); break;
    case BPM_SETINTERVAL: SetInterval(value); break;
    case BPM_SETRANGE: SetRange(value, static_cast<int>(lParam)); break;
    case BPM_SETMODE: SetMode(value); break;
    case BPM_STARTBUSY: Start(); break;
    case BPM_ENDBUSY: Stop(); break;
    case BPM_STEPIT: Step(); break;
    case BPM_SETBUSYTYPE: SetAnimationType(value); break;
    case BPM_SETBUSYFILL: SetBlockMode(value); break;
    case BPM_SETBUSYSTEP: SetRunLength(value); break;
    case BPM_SETCOLBKG: SetColBkg(FromColorRef(wParam)); break;
    case BPM_SETCOLBLOCKFACE: SetColBlockFace(FromColorRef(wParam)); break;
    case BPM_SETCOLBLOCKEDGE: SetColBlockEdge(FromColorRef(wParam)); break;
    case BPM_SETCOLBLOCKFACEHI: SetColBlockFaceHi(FromColorRef(wParam)); break;
    case BPM_SETCOLBLOCKEDGEHI: SetColBlockEdgeHi(FromColorRef(wParam)); break;
    case BPM_RECALC: RecalcLayout(); break;
    case BPM_RESET: Reset(); break;
    case BPM_USESYSCOL: UseSysCol(wParam != 0); break;
    default: break;
    }
    return 0;
}

void CKCBusyProgressCtrl::DrawBackground(QPainter& painter, const QRect& area) { painter.fillRect(area, m_colBkg); }

// A one-pixel border of one colour around a fill of another, the border
// inside the block's rectangle.
static void FramedBlock(QPainter& painter, const QRect& block, QColor edge, QColor face) {
    painter.fillRect(block, edge);
    painter.fillRect(block.adjusted(1, 1, -1, -1), face);
}

void CKCBusyProgressCtrl::DrawBlock(QPainter& painter, const QRect& block) {
    FramedBlock(painter, block, m_colBlockEdge, m_colBlockFace);
}

void CKCBusyProgressCtrl::DrawHiliteBlock(QPainter& painter, const QRect& block) {
    FramedBlock(painter, block, m_colBlockEdgeHi, m_colBlockFaceHi);
}

void CKCBusyProgressCtrl::DrawPartialBlock(QPainter& painter, const QRect& block, int partial) {
    const int left = block.left() + 1;
    const int right = std::min(left + partial, block.left() + block.width() - 1);  // exclusive
    if (right > left) painter.fillRect(QRect(left, block.top() + 1, right - left, block.height() - 2), m_colBlockFaceHi);
}

QRect CKCBusyProgressCtrl::BlockRect(double left) const {
    const int x0 = static_cast<int>(left);
    const int x1 = static_cast<int>(left + m_dBlockWidth);
    return QRect(x0, 0, x1 - x0, static_cast<int>(m_dBlockHeight));
}

void CKCBusyProgressCtrl::DrawLitShare(QPainter& painter, double share) {
    const int whole = static_cast<int>(share);
    const int lastLit = whole - 1;
    const int partial = static_cast<int>((share - whole) * m_dBlockWidth);
    double left = 0;
    for (int i = 0; i < m_nNumBlocks; ++i, left += m_dBlockWidth) {
        const QRect block = BlockRect(left);
        if (i <= lastLit) {
            DrawHiliteBlock(painter, block);
        } else {
            DrawBlock(painter, block);
            if (i == lastLit + 1 && partial != 0) DrawPartialBlock(painter, block, partial);
        }
    }
}

void CKCBusyProgressCtrl::DrawBlocks(QPainter& painter) {
    if (m_nMode == BPC_MODE_BUSY && m_nBlockMode == BPC_BLOCK_SINGLE) {
        double left = 0;
        for (int i = 0; i < m_nNumBlocks; ++i, left += m_dBlockWidth) {
            if (i == m_nPos) DrawHiliteBlock(painter, BlockRect(left));
            else DrawBlock(painter, BlockRect(left));
        }
    } else if (m_nMode == BPC_MODE_BUSY && m_nBlockMode == BPC_BLOCK_RUN) {
        if (m_nTotal != 0) DrawLitShare(painter, static_cast<double>(m_nPos) / m_nTotal * m_nNumBlocks);
    } else if (m_nMode == BPC_MODE_PROGRESS) {
        const int width = m_nUpper - m_nLower;
        if (width != 0) DrawLitShare(painter, static_cast<double>(m_nPos) / width * m_nNumBlocks);
    }
}

void CKCBusyProgressCtrl::paintEvent(QPaintEvent*) {
    if (m_rect.isEmpty()) return;
    if (m_memory.isNull()) m_memory = QImage(m_rect.size(), QImage::Format_RGB32);
    {
        QPainter memory(&m_memory);
        DrawBackground(memory, QRect(QPoint(0, 0), m_rect.size()));
        DrawBlocks(memory);
    }
    QPainter window(this);
    window.drawImage(QPoint(0, 0), m_memory);
}

void CKCBusyProgressCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_rect = QRect(QPoint(0, 0), event->size());
    m_memory = QImage();
}

void CKCBusyProgressCtrl::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ApplicationPaletteChange && m_bUseSysCol) {
        m_colBkg = palette().color(QPalette::Button);
        Repaint();
    }
}

}  // namespace kv
