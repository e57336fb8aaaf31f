#pragma once
// A push button drawn from one of its bitmaps. It reports the pointer's entry
// (WM_SKIN_HOVER, once per entry) and the release of the left button
// (WM_SKIN_CLICK, wherever the pointer is) to its dialog; the dialog decides
// which bitmap it shows. Keyboard presses (Space) still arrive as clicked().
#include <QAbstractButton>

namespace kv {

class CCustomeButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CCustomeButton(QWidget* parent = nullptr);

    // Resource ids; the current bitmap becomes the normal one.
    void SetBitmaps(int normal, int highlighted, int pressed);
    void SetNotifyId(int id);
    void ShowHighlighted();
    void ShowNormal();

    int CurrentBitmap() const { return m_nCurrentBitmap; }
    int NormalBitmap() const { return m_nNormalBitmap; }
    int HighlightedBitmap() const { return m_nHighlightedBitmap; }
    int PressedBitmap() const { return m_nPressedBitmap; }
    int NotifyId() const { return m_nNotifyId; }
    bool IsHighlighted() const { return m_nCurrentBitmap == m_nHighlightedBitmap && m_nCurrentBitmap != 0; }

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void PointerEntered();
    void PointerLeft();

    bool m_bCapturing = false;
    int m_nCurrentBitmap = 0;
    int m_nNormalBitmap = 0;
    int m_nHighlightedBitmap = 0;
    int m_nPressedBitmap = 0;
    int m_nNotifyId = 0;

    // Set while the pointer is inside the button that tracks it; one for all
    // buttons, so a report is not repeated while the pointer stays inside.
    static bool s_bHoverReported;
};

}  // namespace kv
