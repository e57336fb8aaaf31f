#include "controls/FlatColours.h"

namespace kv {

void ApplyFlatColours(QWidget* control, const QColor& background, const QColor& text) {
    QPalette palette = control->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        for (auto role : {QPalette::Base, QPalette::Button, QPalette::Window}) palette.setColor(group, role, background);
        for (auto role : {QPalette::Text, QPalette::ButtonText, QPalette::WindowText, QPalette::Highlight})
            palette.setColor(group, role, text);
        palette.setColor(group, QPalette::HighlightedText, background);
    }
    control->setPalette(palette);
}

}  // namespace kv
