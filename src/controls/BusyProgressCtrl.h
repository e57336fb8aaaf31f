#pragma once
// A row of blocks that shows either progress (a lit share of the row) or
// that something is busy (a lit block, or a run of them, moving on a timer).
// Drawn double-buffered with QPainter; the animation timer lives on the
// widget's thread, so drawing and stepping never race.
#include <QColor>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include "platform/core/Messages.h"

namespace kv {

class CKCBusyProgressCtrl : public QWidget, public MessageReceiver {
    Q_OBJECT
public:
    enum Mode { BPC_MODE_BUSY = 1, BPC_MODE_PROGRESS = 2 };
    enum AnimationType { BPC_BUSY_PINGPONG = 1, BPC_BUSY_LTR = 2, BPC_BUSY_RTL = 4 };
    enum BlockMode { BPC_BLOCK_SINGLE = 1, BPC_BLOCK_RUN = 2 };

    // The operations as window messages WM_USER + n (each returns 0).
    enum : UINT {
        BPM_SETNUMSTEPS = WM_USER + 1, BPM_SETCURRENTSTEP, BPM_SETGRANULARITY, BPM_SETINTERVAL,
        BPM_SETRANGE, BPM_SETMODE, BPM_STARTBUSY, BPM_ENDBUSY, BPM_STEPIT, BPM_SETBUSYTYPE,
        BPM_SETBUSYFILL, BPM_SETBUSYSTEP, BPM_SETCOLBKG, BPM_SETCOLBLOCKFACE, BPM_SETCOLBLOCKEDGE,
        BPM_SETCOLBLOCKFACEHI, BPM_SETCOLBLOCKEDGEHI, BPM_RECALC, BPM_RESET, BPM_USESYSCOL,
    };

    // Give it its place, then RecalcLayout (as a dialog does once it has laid
    // out its controls); a later size change keeps the block layout.
    CKCBusyProgressCtrl(int numBlocks, int position, QWidget* parent = nullptr);
    ~CKCBusyProgressCtrl() override;

    void SetNumBlocks(int count);
    void SetPosition(int position);
    void SetGap(int gap);
    // Also applies to the next step of a running animation.
    void SetInterval(int milliseconds);
    void SetRange(int lower, int upper);
    void SetMode(int mode);
    void Start();
    void Stop();
    void Step();
    void SetAnimationType(int type);
    void SetBlockMode(int mode);
    void SetRunLength(int length);
    void SetColBkg(QColor colour);
    void SetColBlockFace(QColor colour);
    void SetColBlockEdge(QColor colour);
    void SetColBlockFaceHi(QColor colour);
    void SetColBlockEdgeHi(QColor colour);
    void RecalcLayout();
    void Reset();
    void UseSysCol(bool use);

    // The same operations by message number.
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    int Position() const { return m_nPos; }
    int Direction() const { return m_nDirection; }
    int Mode() const { return m_nMode; }
    int NumBlocks() const { return m_nNumBlocks; }
    int Interval() const { return m_nSpeed; }
    bool IsAnimating() const { return m_timer.isActive(); }
    double BlockWidth() const { return m_dBlockWidth; }

    // Members the conversion dialog sets directly, as the original did.
    int m_nNumBlocks;
    int m_nPos;
    int m_nSpeed = 100;
    int m_nLower = 0;
    int m_nUpper = 100;

protected:
    // Drawing steps, in the order they are used; a subclass may restyle them.
    virtual void DrawBackground(QPainter& painter, const QRect& area);
    virtual void DrawBlock(QPainter& painter, const QRect& block);
    virtual void DrawHiliteBlock(QPainter& painter, const QRect& block);
    virtual void DrawPartialBlock(QPainter& painter, const QRect& block, int partial);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void DrawBlocks(QPainter& painter);
    void DrawLitShare(QPainter& painter, double share);
    QRect BlockRect(double left) const;
    void Repaint() { update(); }

    int m_nDirection = 1;
    int m_nMode = BPC_MODE_BUSY;
    int m_nAnimationType = BPC_BUSY_PINGPONG;
    int m_nBlockMode = BPC_BLOCK_SINGLE;
    int m_nRunLength = 5;
    int m_nTotal;
    int m_nGap = 0;
    bool m_bUseSysCol = true;
    QColor m_colBkg{140, 255, 140};
    QColor m_colBlockFace{140, 255, 140};
    QColor m_colBlockEdge{140, 255, 140};
    QColor m_colBlockFaceHi{0, 200, 0};
    QColor m_colBlockEdgeHi{0, 200, 0};
    QRect m_rect;
    double m_dBlockWidth = 0;
    double m_dBlockHeight = 0;
    QImage m_memory;  // the off-screen buffer, kept between paints
    QTimer m_timer;
};

}  // namespace kv
