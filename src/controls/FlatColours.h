#pragma once
// Gives a control flat colours: its field, its text and its selection.
#include <QColor>
#include <QWidget>

namespace kv {

void ApplyFlatColours(QWidget* control, const QColor& background, const QColor& text);

}  // namespace kv
