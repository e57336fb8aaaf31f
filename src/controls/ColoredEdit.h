#pragma once
// Edit fields painted in chosen colours: CColoredEdit on its own, and the
// field inside a CColoredCombo, which also closes the combo's open list on
// Enter.
#include <QColor>
#include <QLineEdit>

namespace kv {

class CColoredCombo;

class CColoredEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CColoredEdit(QWidget* parent = nullptr);

    void SetBkColor(const QColor& colour);
    void SetTextColor(const QColor& colour);
    QColor BkColor() const { return m_crBackground; }
    QColor TextColor() const { return m_crText; }

private:
    void ApplyColours();

    QColor m_crBackground{100, 100, 255};
    QColor m_crText{255, 255, 255};
};

class CColoredEditInCombo : public CColoredEdit {
    Q_OBJECT
public:
    explicit CColoredEditInCombo(CColoredCombo* owner);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CColoredCombo* m_pCombo;
};

}  // namespace kv
