#pragma once
// Content of other programs (charts, embedded objects, vector pictures) that
// the show would turn into an undersized bitmap is shown as a picture of the
// right size instead: the office draws each such shape once at the size it
// has in the slide area, the picture takes the shape's place and its
// effects, and the shape itself is hidden. Text and every other shape stay
// as the show draws them. The document is never saved.
#include <com/sun/star/lang/XComponent.hpp>

#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

// `pixelsPerUnit`: slide-area pixels per hundredth of a millimetre of the
// page. Runs on the office's thread (inside a call); returns how many shapes
// it replaced.
int ShowForeignShapesAsPictures(const Reference<css::uno::XComponentContext>& context,
                                const Reference<css::lang::XComponent>& model, double pixelsPerUnit);

// For drawing pages as pictures: each film's poster over the film's whole
// box, where the show plays it (the office's drawing of a page otherwise
// draws a film inside a frame a few pixels within its box). Runs on the
// office's thread.
void DrawFilmsAsTheirPosters(const Reference<css::lang::XComponent>& model);

}  // namespace kv::uno
