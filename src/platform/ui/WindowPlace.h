#pragma once
// Where a top-level window really is. Qt learns a window's place from the
// window manager's notices; under some (openbox, for a window that moved
// itself before it was shown) it keeps the place the window had before it was
// framed, and what it opens relative to the window (a list's drop-down, a
// dialog centred on it) then lands that far off. Asking the X server settles it.
class QWidget;

namespace kv {

// Asks the X server where `window`'s inside lies on the screen and, when Qt
// believes otherwise, tells Qt. True when Qt's belief was corrected. Does
// nothing on another window system, or for a window not shown.
bool SyncWindowPosition(QWidget* window);

// Centres `dialog` on `owner`'s window (its place synced first), within the
// owner's screen.
void CentreOnOwner(QWidget* dialog, QWidget* owner);

}  // namespace kv
