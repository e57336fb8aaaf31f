#pragma once
// A combo box with a flat double black frame, a flat background, a drawn
// drop-down arrow and an accent-framed button area. It reports the pointer to
// its dialog with WM_SKIN_HOVER on every move after the pointer came in.
#include <QColor>
#include <QComboBox>

namespace kv {

class CColoredEditInCombo;

class CColoredCombo : public QComboBox {
    Q_OBJECT
public:
    explicit CColoredCombo(QWidget* parent = nullptr);

    void SetBkColor(const QColor& colour);
    void SetTextColor(const QColor& colour);
    void SetNotifyId(int id);
    // A writable field of our own colours (a drop-down combo); without it the
    // combo is a plain drop-down list.
    void MakeEditable();

    QColor BkColor() const { return m_crBackground; }
    QColor TextColor() const { return m_crText; }
    int NotifyId() const { return m_nNotifyId; }
    bool IsPointerInside() const { return m_bPointerInside; }
    bool IsDroppedDown() const { return m_bDroppedDown; }
    // Where the arrow's button sits (left with a right-to-left layout).
    QRect ButtonArea() const;
    // The chosen entry as the field shows it in its width: whole, or its start and "…".
    QString ShownText() const;
    // How wide the open list is: as wide as its longest entry needs, at
    // least the field's width, at most the screen's.
    int PopupWidth() const;

    void showPopup() override;
    void hidePopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void ApplyColours();
    void UpdateToolTip();
    QRect TextArea() const;

    QColor m_crBackground{255, 255, 255};
    QColor m_crText{0, 0, 0};
    bool m_bClicked = false;
    bool m_bCapturing = false;
    bool m_bPointerInside = false;
    bool m_bDroppedDown = false;
    int m_nNotifyId = 0;
    CColoredEditInCombo* m_pEdit = nullptr;
};

}  // namespace kv
