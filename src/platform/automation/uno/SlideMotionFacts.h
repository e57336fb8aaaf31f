#pragma once
// What moves on a slide, read from the office's model of it: how long its
// effects run (the ones that start by themselves, then each that waits for a
// click), whether something moves for as long as it shows, and its media.
#include "platform/automation/SlidePictures.h"
#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

// `page`: a draw page of a presentation. Reads only.
SlideMotion ReadSlideMotion(const Reference<css::uno::XInterface>& page);

}  // namespace kv::uno
