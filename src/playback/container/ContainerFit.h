#pragma once
// How large the slide area can be: the container's inside is the slide area
// plus the toolbar's band (twice the buttons' height) below it, and with the
// window manager's frame it must lie in the work area (the screen less its
// panels). A capture size that does not fit is cut down to what does.
#include <QMargins>
#include <QRect>
#include <QSize>

namespace kv {

struct ContainerFit {
    QSize slideArea;   // the capture size that fits
    QSize outer;       // the container's size with its frame
    bool cutHeight = false;
};

ContainerFit FitSlideArea(QSize asked, const QRect& workArea, const QMargins& frame, int buttonHeight);

// The work area of the primary screen (1024 x 768 without one).
QRect PrimaryWorkArea();

// The frame the window manager will put around the container; none without one.
QMargins ExpectedContainerFrame();

}  // namespace kv
