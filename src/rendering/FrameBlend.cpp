#include "rendering/FrameBlend.h"

#include <algorithm>

namespace kv {

void BlendFrames(const FrameImage& from, const FrameImage& into, double share, FrameImage& to) {
    const int weight = static_cast<int>(std::clamp(share, 0.0, 1.0) * 256 + 0.5);
    const int bytes = 4 * std::min({from.width, into.width, to.width});
    const int rows = std::min({from.height, into.height, to.height});
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* a = from.Row(y);
        const std::uint8_t* b = into.Row(y);
        std::uint8_t* out = to.Row(y);
        for (int x = 0; x < bytes; ++x) out[x] = static_cast<std::uint8_t>((a[x] * (256 - weight) + b[x] * weight) >> 8);
    }
}

}  // namespace kv
