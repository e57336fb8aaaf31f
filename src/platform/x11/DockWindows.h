#pragma once
// The desktop's panels and taskbars: the EWMH dock windows
// (_NET_WM_WINDOW_TYPE_DOCK). The container hides them while a recording
// fills the screen's height and shows them again when it stops.
#include <vector>

namespace kv {

// The dock windows on $DISPLAY that are mapped now (top-level windows and
// the clients inside window-manager frames). Empty without a display.
std::vector<unsigned long> FindDockWindows();

// Unmaps every mapped dock window and remembers it; returns how many were hidden.
int HideDockWindows();
// Maps again the dock windows that HideDockWindows hid and that still exist;
// returns how many were shown. Dock windows hidden by someone else stay hidden.
int ShowDockWindows();

}  // namespace kv
