#pragma once
// Where the slide show is on screen: the container's inside less the toolbar
// strip at its bottom, in root-window coordinates, with sizes rounded down
// to multiples of 4 (the grab keeps the top-left corner).
#include <string>

#include "platform/core/Messages.h"
#include "platform/x11/ScreenGrabber.h"

namespace kv {

// Button height assumed when the container has no toolbar.
constexpr int kDefaultToolbarButtonHeight = 23;

// The hosted slide-show window among the container's children; 0 when none.
HWND FindSlideShowHost(HWND container);

// The height of the container's toolbar buttons (23 without a toolbar).
int GetToolbarButtonHeight();

// The capture rectangle of the container, or the whole screen when
// `fullScreen`; false when the container has no X11 window or there is no
// display. Sizes are rounded down to multiples of 4.
bool GetCaptureRect(HWND container, bool fullScreen, ScreenRect& rect);

// Rounds width and height down to multiples of 4 (1023 becomes 1020).
ScreenRect RoundCaptureSize(ScreenRect rect);

// "The video is <made> instead of <asked>: the screen has no room for more
// beside the recording window's toolbar." ("will be" when `before` the recording).
std::string CaptureSizeNote(int askedWidth, int askedHeight, int madeWidth, int madeHeight, bool before);

}  // namespace kv
