#include "controls/ColoredEdit.h"

#include <QKeyEvent>

#include "controls/ColoredCombo.h"
#include "controls/FlatColours.h"

namespace kv {

CColoredEdit::CColoredEdit(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    ApplyColours();
}

void CColoredEdit::SetBkColor(const QColor& colour) {
    m_crBackground = colour;
    ApplyColours();
}

void CColoredEdit::SetTextColor(const QColor& colour) {
    m_crText = colour;
    ApplyColours();
}

void CColoredEdit::ApplyColours() {
    ApplyFlatColours(this, m_crBackground, m_crText);
    setAutoFillBackground(true);
}

CColoredEditInCombo::CColoredEditInCombo(CColoredCombo* owner) : CColoredEdit(owner), m_pCombo(owner) {}

void CColoredEditInCombo::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_pCombo && m_pCombo->IsDroppedDown()) m_pCombo->hidePopup();
    CColoredEdit::keyPressEvent(event);
}

}  // namespace kv
