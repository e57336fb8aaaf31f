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

PixelRect OfficeWindowFor(int areaWidth, int areaHeight, long long pageWidth, long long pageHeight) {
    if (pageWidth <= 0 || pageHeight <= 0) pageWidth = areaWidth, pageHeight = areaHeight;
    const PixelRect place = SlidePlaceIn(areaWidth, areaHeight, pageWidth, pageHeight);
    // The show draws the page one pixel smaller than what it fits, so the
    // window is a pixel or two larger than the place; of the few sizes
    // there, the first whose page is the place's size.
    PixelRect best;
    int bestMiss = std::numeric_limits<int>::max();
    for (int w = place.width + 1; w <= place.width + 3; ++w) {
        for (int h = place.height + 1; h <= place.height + 3; ++h) {
            const PixelRect page = ShownPageIn(w, h, pageWidth, pageHeight);
            const int miss = std::abs(page.width - place.width) + std::abs(page.height - place.height);
            if (miss < bestMiss) bestMiss = miss, best = {-page.x, -page.y, w, h};
        }
    }
    return best;
}

}  // namespace kv
