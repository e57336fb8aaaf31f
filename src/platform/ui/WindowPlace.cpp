#include "platform/ui/WindowPlace.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <memory>

namespace kv {

bool SyncWindowPosition(QWidget* window) {
    if (!window) return false;
    window = window->window();
    // Only the X11 platform has a server to ask (the offscreen one may offer the interface without one).
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return false;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection() || !window->isVisible() || !window->testAttribute(Qt::WA_WState_Created))
        return false;
    xcb_connection_t* connection = x11->connection();
    const auto native = static_cast<xcb_window_t>(window->winId());
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> reply(
        xcb_translate_coordinates_reply(connection, xcb_translate_coordinates(connection, native, screen->root, 0, 0),
                                        nullptr),
        &std::free);
    if (!reply) return false;
    const QPoint actual(reply->dst_x, reply->dst_y);
    // What maps the window's points to the screen is its QWindow's place,
    // which can be stale (the top-left corner) where the widget's is right.
    QWindow* handle = window->windowHandle();
    const QPoint mapped = window->mapToGlobal(QPoint(0, 0));
    if (handle->geometry().topLeft() == actual && window->geometry().topLeft() == actual && mapped == actual)
        return false;
    // Moving the inside there changes nothing on screen; Qt takes the place as its own.
    handle->setPosition(actual);
    return true;
}

void CentreOnOwner(QWidget* dialog, QWidget* owner) {
    if (!dialog || !owner) return;
    SyncWindowPosition(owner);
    const QRect area = owner->window()->frameGeometry();
    QRect placed(QPoint(0, 0), dialog->frameGeometry().size().expandedTo(dialog->sizeHint()));
    placed.moveCenter(area.center());
    if (const QScreen* screen = owner->screen()) {
        const QRect work = screen->availableGeometry();
        placed.moveLeft(std::max(work.left(), std::min(placed.left(), work.right() - placed.width() + 1)));
        placed.moveTop(std::max(work.top(), std::min(placed.top(), work.bottom() - placed.height() + 1)));
    }
    dialog->move(placed.topLeft());
}

}  // namespace kv
