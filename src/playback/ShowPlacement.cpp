#include "playback/ShowPlacement.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace kv {

PixelRect ShownPageIn(int windowWidth, int windowHeight, long long pageWidth, long long pageHeight) {
    if (windowWidth <= 0 || windowHeight <= 0 || pageWidth <= 0 || pageHeight <= 0) return {};
    long long width = windowWidth, height = windowHeight;
    const double pageShape = double(pageWidth) / double(pageHeight);
    const double windowShape = double(windowWidth) / double(windowHeight);
    if (pageShape > windowShape)
        height = width * pageHeight / pageWidth;
    else if (pageShape < windowShape)
        width = height * pageWidth / pageHeight;
    return {static_cast<int>((windowWidth - width) >> 1), static_cast<int>((windowHeight - height) >> 1),
            static_cast<int>(width - 1), static_cast<int>(height - 1)};
}

PixelRect SlidePlaceIn(int areaWidth, int areaHeight, long long pageWidth, long long pageHeight) {
    if (pageWidth <= 0 || pageHeight <= 0) return {0, 0, areaWidth, areaHeight};
    int width = areaWidth, height = areaHeight;
    if (pageWidth * areaHeight >= pageHeight * areaWidth)
        height = static_cast<int>(std::lround(double(areaWidth) * double(pageHeight) / double(pageWidth)));
    else
        width = static_cast<int>(std::lround(double(areaHeight) * double(pageWidth) / double(pageHeight)));
    return {(areaWidth - width) / 2, (areaHeight - height) / 2, width, height};
}

PixelRect OfficeWindowFor(int areaWidth, int areaHeight, long long pageWidth, long long pageHeight) {
    if (pageWidth <= 0 || pageHeight <= 0) pageWidth = areaWidth, pageHeight = areaHeight;
    const PixelRect place = SlidePlaceIn(areaWidth, areaHeight, pageWidth, pageHeight);
    // The show paints a page's background only part of the way into its last
    // column and row, which leaves a light line there; a page one pixel wider
    // and higher than the place fills the place to its edge, and the page
    // area cuts off the partly painted pixel beyond it.
    const int wantedWidth = place.width + 1, wantedHeight = place.height + 1;
    // Where whole pixels cannot give both, a side a pixel longer still (the
    // page scaled by a pixel more) is better than one that leaves the line.
    const auto missOf = [](int side, int wanted) { return side < wanted ? 3 * (wanted - side) : side - wanted; };
    // The show draws the page one pixel smaller than what it fits, so the
    // window is a few pixels larger than the place; of the sizes there, the
    // first whose page misses the wanted size least.
    PixelRect best;
    int bestMiss = std::numeric_limits<int>::max();
    for (int w = place.width + 1; w <= place.width + 5; ++w) {
        for (int h = place.height + 1; h <= place.height + 5; ++h) {
            const PixelRect page = ShownPageIn(w, h, pageWidth, pageHeight);
            const int miss = missOf(page.width, wantedWidth) + missOf(page.height, wantedHeight);
            if (miss < bestMiss) bestMiss = miss, best = {-page.x, -page.y, w, h};
        }
    }
    return best;
}

}  // namespace kv
