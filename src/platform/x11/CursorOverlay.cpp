#include "platform/x11/CursorOverlay.h"

#include <algorithm>

namespace kv {

void StoreCursorPixels(const unsigned long* pixels, std::size_t count, std::vector<std::uint32_t>& out) {
    out.resize(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = static_cast<std::uint32_t>(pixels[i] & 0xFFFFFFFFul);
}

namespace {

// dst = src + dst * (255 - alpha) / 255 per channel; src is premultiplied.
inline void BlendPixel(std::uint8_t* dst, std::uint32_t src) {
    const std::uint32_t alpha = src >> 24;
    if (alpha == 0) return;
    const std::uint32_t keep = 255 - alpha;
    const std::uint32_t channels[3] = {src & 0xFF, (src >> 8) & 0xFF, (src >> 16) & 0xFF};  // B, G, R
    for (int c = 0; c < 3; ++c) {
        std::uint32_t value = channels[c] + (dst[c] * keep + 127) / 255;
        dst[c] = static_cast<std::uint8_t>(std::min<std::uint32_t>(value, 255));
    }
}

}  // namespace

void DrawCursor(const FrameImage& frame, const CursorPicture& cursor, int x, int y) {
    if (frame.Empty() || cursor.argb.size() < static_cast<std::size_t>(cursor.width) * cursor.height) return;
    const int firstRow = std::max(0, -y);
    const int lastRow = std::min(cursor.height, frame.height - y);
    const int firstCol = std::max(0, -x);
    const int lastCol = std::min(cursor.width, frame.width - x);
    for (int row = firstRow; row < lastRow; ++row) {
        const std::uint32_t* src = cursor.argb.data() + static_cast<std::size_t>(row) * cursor.width;
        std::uint8_t* dst = frame.Row(y + row) + static_cast<std::ptrdiff_t>(x) * 4;
        for (int col = firstCol; col < lastCol; ++col) BlendPixel(dst + col * 4, src[col]);
    }
}

}  // namespace kv
