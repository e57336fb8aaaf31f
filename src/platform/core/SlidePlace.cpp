#include "platform/core/SlidePlace.h"

#include <algorithm>
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

GridBox WholePixelsAround(long long x, long long y, long long width, long long height, double pixelsPerUnit) {
    if (pixelsPerUnit <= 0 || width <= 0 || height <= 0) return {};
    // A hair of tolerance: an edge that falls on a pixel's edge but for the
    // rounding of a division stays there.
    constexpr double kHair = 1e-6;
    const auto first = [&](long long at) { return static_cast<int>(std::floor(at * pixelsPerUnit + kHair)); };
    const auto last = [&](long long at) { return static_cast<int>(std::ceil(at * pixelsPerUnit - kHair)); };
    const int left = first(x), top = first(y), right = last(x + width), bottom = last(y + height);
    const auto unitsBefore = [&](int pixel) { return static_cast<long long>(std::floor(pixel / pixelsPerUnit)); };
    const auto unitsAfter = [&](int pixel) { return static_cast<long long>(std::ceil(pixel / pixelsPerUnit)); };
    GridBox box;
    box.pixels = {left, top, right - left, bottom - top};
    box.x = std::min(x, unitsBefore(left));
    box.y = std::min(y, unitsBefore(top));
    box.width = std::max(x + width, unitsAfter(right)) - box.x;
    box.height = std::max(y + height, unitsAfter(bottom)) - box.y;
    return box;
}

}  // namespace kv
