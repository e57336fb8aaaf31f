#include "playback/container/ContainerFit.h"

#include <QGuiApplication>
#include <QScreen>

#include "platform/x11/FrameExtents.h"

namespace kv {

ContainerFit FitSlideArea(QSize asked, const QRect& workArea, const QMargins& frame, int buttonHeight) {
    const int fw = frame.left() + frame.right();
    const int fh = frame.top() + frame.bottom();
    ContainerFit fit{asked, QSize(asked.width() + fw, asked.height() + 2 * buttonHeight + fh)};
    if (fit.outer.width() > workArea.width()) {
        fit.slideArea.rwidth() -= fit.outer.width() - workArea.width();
        fit.outer.setWidth(workArea.width());
    }
    if (fit.outer.height() > workArea.height()) {
        fit.slideArea.rheight() -= fit.outer.height() - workArea.height();
        fit.outer.setHeight(workArea.height());
        fit.cutHeight = true;
    }
    return fit;
}

QRect PrimaryWorkArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QMargins ExpectedContainerFrame() {
    // Another window system (offscreen tests) frames nothing.
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return {};
    const FrameExtents frame = NewWindowFrameExtents();
    return {frame.left, frame.top, frame.right, frame.bottom};
}

}  // namespace kv
