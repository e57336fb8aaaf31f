#pragma once
// One picture of a cross-fade between two pictures of the same size.
#include "platform/core/FrameImage.h"

namespace kv {

// to = from + (into - from) * share, per colour byte; share 0 gives `from`, 1 gives `into`.
void BlendFrames(const FrameImage& from, const FrameImage& into, double share, FrameImage& to);

}  // namespace kv
