#pragma once
// Shapes the show would draw unlike the office's drawing of the page (charts
// and other programs' content, pictures from vector data, still bitmaps) are
// shown as pictures the office draws of them, on the slide area's own pixels:
// each picture holds exactly the pixels the office's drawing of the page
// gives its shape, with its coverage, and the show puts it there unscaled.
// The picture takes the shape's place and its effects, and the shape itself
// is hidden. Text and every other shape stay as the show draws them. The
// document is never saved.
#include <chrono>

#include <com/sun/star/lang/XComponent.hpp>

#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

// `pixelsPerUnit`: slide-area pixels per hundredth of a millimetre of the
// page. Runs on the office's thread (inside a call) for at most about
// `budget` (a deck of hundreds of pictures would hold the show's start past
// its limit); returns how many shapes it replaced.
int ShowShapesAsTheOfficeDrawsThem(const Reference<css::uno::XComponentContext>& context,
                                   const Reference<css::lang::XComponent>& model, double pixelsPerUnit,
                                   std::chrono::milliseconds budget);

// For drawing pages as pictures: each film's poster over the film's whole
// box, where the show plays it (the office's drawing of a page otherwise
// draws a film inside a frame a few pixels within its box). Runs on the
// office's thread.
void DrawFilmsAsTheirPosters(const Reference<css::lang::XComponent>& model);

}  // namespace kv::uno
