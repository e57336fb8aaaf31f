#pragma once
// A picture's colours and coverage recovered from two drawings of it, one
// over white and one over black: where the two differ the picture lets the
// background through. Exact for a drawing that blends its edges and
// translucent parts linearly over what lies beneath.
#include "platform/media/PictureFile.h"

namespace kv::media {

// Straight (not premultiplied) BGRA; empty when the two differ in size.
OwnedPicture MatteFromWhiteAndBlack(const OwnedPicture& overWhite, const OwnedPicture& overBlack);

}  // namespace kv::media
