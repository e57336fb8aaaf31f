#pragma once
// Starting the show through the presentation add-in's menu command, and the
// watcher that waits for the add-in's show window.
#include "platform/automation/DispatchDriver.h"
#include "platform/core/Messages.h"

namespace kv {

inline constexpr const char* kSlideShowMenu = "Sli&de Show";
inline constexpr const char* kPowerPlugsItem = "&PowerPlugs: View Show with Effects";
inline constexpr const char* kPreparingTitle = "Preparing 3D Presentation...";
inline constexpr const char* kShowWindowClass = "ScreenClass";

// Finds the add-in's item in the application's menu bar and runs it, starting
// the watcher for `containerWnd`. Throws AutomationException when the menu
// bar cannot be reached or the item is not there.
void LaunchPowerPlugsShow(const COleDispatchDriver& application, HWND containerWnd);

// The watcher's body; returns 1. The poll interval is 10 ms as the add-in
// expects; tests may shorten the first sleep.
unsigned WaitForPowerPlugsShow(HWND containerWnd, int firstSleepMs = 1000);

}  // namespace kv
