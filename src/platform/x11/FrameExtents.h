#pragma once
// The border a window manager puts around a new window of ours (title bar
// and edges), asked before any window is shown, so a window's inside can be
// sized to fit the screen with its frame from the start.
namespace kv {

struct FrameExtents {
    int left = 0, right = 0, top = 0, bottom = 0;
    int Width() const { return left + right; }
    int Height() const { return top + bottom; }
};

// The frame the running window manager gives a titled dialog window of a
// fixed size
// (_NET_REQUEST_FRAME_EXTENTS on a window that is never shown). Nothing
// (all 0) without a display or a window manager that answers within
// `timeoutMs`. The first answer is kept; a window manager that offers the
// question and lets it go unanswered is not asked again. A window manager
// on a busy two-core machine answers in more than 300 ms now and then; the
// wait is paid only by one that never answers, and only once.
FrameExtents NewWindowFrameExtents(int timeoutMs = 1500);

}  // namespace kv
