#pragma once
// Drawing the mouse pointer into a captured frame. Kept free of X11 so it can
// be checked without a display.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/core/FrameImage.h"

namespace kv {

// The pointer's picture: premultiplied ARGB, one 32-bit value per pixel.
struct CursorPicture {
    int width = 0;
    int height = 0;
    int hotX = 0;
    int hotY = 0;
    unsigned long serial = 0;  // the server's number for this picture
    std::vector<std::uint32_t> argb;
};

// XFixes hands pixels as unsigned long (64 bits on 64-bit systems, with the
// upper half undefined or sign-extended): only the low 32 bits are the pixel.
void StoreCursorPixels(const unsigned long* pixels, std::size_t count, std::vector<std::uint32_t>& out);

// Blends the picture into the frame with its top-left corner at (x, y) in
// frame coordinates; whatever falls outside the frame is left out.
void DrawCursor(const FrameImage& frame, const CursorPicture& cursor, int x, int y);

}  // namespace kv
