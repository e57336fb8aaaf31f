#include "recording/CaptureArea.h"

#include "recording/state/RecorderState.h"

namespace kv {

HWND FindSlideShowHost(HWND container) { return FindChildWindow(container, {}, kSlideShowCaption); }

int GetToolbarButtonHeight() {
    const int height = g_iToolbarButtonHeight.load();
    return height > 0 ? height : kDefaultToolbarButtonHeight;
}

ScreenRect RoundCaptureSize(ScreenRect rect) {
    rect.width = rect.width > 0 ? rect.width / 4 * 4 : 0;
    rect.height = rect.height > 0 ? rect.height / 4 * 4 : 0;
    return rect;
}

std::string CaptureSizeNote(int askedWidth, int askedHeight, int madeWidth, int madeHeight, bool before) {
    const auto size = [](int width, int height) { return std::to_string(width) + "x" + std::to_string(height); };
    return std::string(before ? "The video will be " : "The video is ") + size(madeWidth, madeHeight) +
           " instead of " + size(askedWidth, askedHeight) +
           ": the screen has no room for more beside the recording window's toolbar.";
}

bool GetCaptureRect(HWND container, bool fullScreen, ScreenRect& rect) {
    if (fullScreen) {
        int width = 0, height = 0;
        if (!GetScreenSize(width, height)) return false;
        rect = RoundCaptureSize({0, 0, width, height});
        return true;
    }
    ScreenRect client;
    if (!GetWindowRectOnRoot(GetNativeWindow(container), client)) return false;
    client.height -= 2 * GetToolbarButtonHeight();
    rect = RoundCaptureSize(client);
    return true;
}

}  // namespace kv
