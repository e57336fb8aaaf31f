#pragma once
// How a skinned control reports to the dialog it sits in: the dialog tags
// its widget with its window handle, and a control sends WM_SKIN_HOVER /
// WM_SKIN_CLICK to the nearest tagged ancestor through the message layer
// (on the UI thread that is a direct, synchronous call).
#include <QWidget>

#include "platform/core/Messages.h"

namespace kv {

// Tags `dialog` so the skinned controls inside it report to `window`.
void SetSkinParentWindow(QWidget* dialog, HWND window);

// The window handle of the nearest tagged ancestor of `control`; 0 when none.
HWND FindSkinParentWindow(const QWidget* control);

// Sends `message` (WM_SKIN_HOVER or WM_SKIN_CLICK) with the notification id;
// false when no tagged parent took it.
bool NotifySkinParent(const QWidget* control, UINT message, WPARAM notifyId);

}  // namespace kv
