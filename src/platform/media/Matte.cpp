#include "platform/media/Matte.h"

#include <algorithm>

namespace kv::media {

OwnedPicture MatteFromWhiteAndBlack(const OwnedPicture& overWhite, const OwnedPicture& overBlack) {
    if (overWhite.width != overBlack.width || overWhite.height != overBlack.height ||
        overWhite.pixels.size() != overBlack.pixels.size())
        return {};
    OwnedPicture matte;
    matte.width = overWhite.width;
    matte.height = overWhite.height;
    matte.pixels.resize(overWhite.pixels.size());
    for (size_t i = 0; i + 3 < overWhite.pixels.size(); i += 4) {
        // Over white a channel is c·a + 255·(1 - a), over black c·a: their
        // difference is what the background gives, 255·(1 - a).
        int through = 0;
        for (int c = 0; c < 3; ++c) through += int(overWhite.pixels[i + c]) - int(overBlack.pixels[i + c]);
        const int alpha = std::clamp(255 - (through + 1) / 3, 0, 255);
        for (int c = 0; c < 3; ++c)
            matte.pixels[i + c] =
                alpha == 0 ? 0 : std::uint8_t(std::min(255, (int(overBlack.pixels[i + c]) * 255 + alpha / 2) / alpha));
        matte.pixels[i + 3] = std::uint8_t(alpha);
    }
    return matte;
}

}  // namespace kv::media
