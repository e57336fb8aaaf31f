#include "controls/ColoredEdit.h"

#include <QKeyEvent>

#include "controls/ColoredCombo.h"

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
    QPalette palette = this->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, m_crBackground);
        palette.setColor(group, QPalette::Window, m_crBackground);
        palette.setColor(group, QPalette::Text, m_crText);
        palette.setColor(group, QPalette::Highlight, m_crText);
        palette.setColor(group, QPalette::HighlightedText, m_crBackground);
    }
    setPalette(palette);
    setAutoFillBackground(true);
}

CColoredEditInCombo::CColoredEditInCombo(CColoredCombo* owner) : CColoredEdit(owner), m_pCombo(owner) {}

void CColoredEditInCombo::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_pCombo && m_pCombo->IsDroppedDown()) m_pCombo->hidePopup();
    CColoredEdit::keyPressEvent(event);
}

}  // namespace kv
