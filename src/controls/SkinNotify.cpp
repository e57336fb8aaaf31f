#include "controls/SkinNotify.h"

#include <QVariant>

namespace kv {
namespace {
const char kWindowProperty[] = "kvSkinWindow";
}

void SetSkinParentWindow(QWidget* dialog, HWND window) {
    dialog->setProperty(kWindowProperty, QVariant::fromValue<qulonglong>(window));
}

HWND FindSkinParentWindow(const QWidget* control) {
    for (const QWidget* w = control ? control->parentWidget() : nullptr; w; w = w->parentWidget()) {
        const QVariant value = w->property(kWindowProperty);
        if (value.isValid()) return static_cast<HWND>(value.toULongLong());
    }
    return 0;
}

bool NotifySkinParent(const QWidget* control, UINT message, WPARAM notifyId) {
    const HWND parent = FindSkinParentWindow(control);
    return parent && SendMessage(parent, message, notifyId, 0);
}

}  // namespace kv
