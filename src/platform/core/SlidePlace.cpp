#include "platform/core/SlidePlace.h"

#include <cmath>

namespace kv {

PixelRect SlidePlaceIn(int areaWidth, int areaHeight, long long pageWidth, long long pageHeight) {
    if (pageWidth <= 0 || pageHeight <= 0) return {0, 0, areaWidth, areaHeight};
    int width = areaWidth, height = areaHeight;
    if (pageWidth * areaHeight >= pageHeight * areaWidth)
        height = static_cast<int>(std::lround(double(areaWidth) * double(pageHeight) / double(pageWidth)));
    else
        width = static_cast<int>(std::lround(double(areaHeight) * double(pageWidth) / double(pageHeight)));
    return {(areaWidth - width) / 2, (areaHeight - height) / 2, width, height};
}

}  // namespace kv
