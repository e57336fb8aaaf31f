#include "platform/ui/KeyGrab.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <memory>

namespace kv {

bool KeepKeysForWindow(QWidget* window, std::initializer_list<unsigned> keySymbols) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !window) return false;
    xcb_connection_t* connection = x11->connection();
    const auto native = static_cast<xcb_window_t>(window->winId());
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    std::unique_ptr<xcb_get_keyboard_mapping_reply_t, decltype(&std::free)> mapping(
        xcb_get_keyboard_mapping_reply(connection,
                                       xcb_get_keyboard_mapping(connection, setup->min_keycode, count), nullptr),
        &std::free);
    if (!mapping) return false;
    const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(mapping.get());
    const int perKey = mapping->keysyms_per_keycode;
    bool grabbed = false;
    for (int i = 0; i < count; ++i) {
        for (int j = 0; j < perKey; ++j) {
            bool wanted = false;
            for (unsigned symbol : keySymbols) wanted = wanted || symbols[i * perKey + j] == symbol;
            if (!wanted) continue;
            // Not reported to the focused window of the other program, but to this one.
            xcb_grab_key(connection, 0, native, XCB_MOD_MASK_ANY, static_cast<xcb_keycode_t>(setup->min_keycode + i),
                         XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            grabbed = true;
            break;
        }
    }
    xcb_flush(connection);
    return grabbed;
}

}  // namespace kv
