#include "platform/x11/DamageWatch.h"

#include <X11/extensions/Xdamage.h>

namespace kv::x11 {

bool DamageWatch::Start(Display* display, Drawable drawable) {
    int errorBase = 0, major = 1, minor = 1;
    if (!XDamageQueryExtension(display, &m_eventBase, &errorBase) || !XDamageQueryVersion(display, &major, &minor))
        return false;
    // One event when the damage goes from none to some; Reset re-arms it.
    m_damage = XDamageCreate(display, drawable, XDamageReportNonEmpty);
    m_display = display;
    m_damaged = true;
    return m_damage != 0;
}

bool DamageWatch::Damaged() {
    if (!m_damage) return true;
    // A round trip first: every event the server made before answering is
    // then in our queue, so drawing it has done is never taken for none and
    // a repeat is never chosen while a change waits unread in the socket.
    XSync(m_display, False);
    XEvent event;
    while (XCheckTypedEvent(m_display, m_eventBase + XDamageNotify, &event)) m_damaged = true;
    return m_damaged;
}

void DamageWatch::Reset() {
    if (!m_damage) return;
    XDamageSubtract(m_display, m_damage, None, None);
    m_damaged = false;
}

}  // namespace kv::x11
