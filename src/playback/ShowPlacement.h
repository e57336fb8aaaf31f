#pragma once
// Where our office's show draws a page inside its window, and the window
// that makes the page land exactly on the slide's place in the slide area.
#include "platform/core/SlidePlace.h"

namespace kv {

// The page's rectangle in a show window of this size (page in any unit):
// fitted to the page's shape in whole pixels (truncated), centred, and then
// drawn one pixel narrower and lower than the fitted size.
PixelRect ShownPageIn(int windowWidth, int windowHeight, long long pageWidth, long long pageHeight);

// The office's window, relative to the slide's place, whose show draws the
// page exactly on that place (or within a pixel where whole pixels cannot).
// An unknown page size counts as the area's own shape.
PixelRect OfficeWindowFor(int areaWidth, int areaHeight, long long pageWidth, long long pageHeight);

}  // namespace kv
