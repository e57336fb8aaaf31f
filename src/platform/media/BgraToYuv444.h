#pragma once
// BGRA screen pictures to planar YUV 4:4:4 (BT.601, limited range), the input
// of the default encoder. Written for this one conversion, it takes a third of
// the time libswscale's general path needs, and every recorded frame passes
// through it; results agree with libswscale's to within one step.
#include <cstdint>

#include "platform/core/FrameImage.h"

namespace kv::media {

// Converts `source` into the three planes (each at least source.width bytes
// wide, source.height rows).
void BgraToYuv444(const FrameImage& source, std::uint8_t* const planes[3], const int strides[3]);

}  // namespace kv::media
