#pragma once
// The office's own metafile format (SVM), read only far enough to tell
// whether the office's show would draw it as a picture instead: for a film,
// chart or picture of another program's making ("foreign" content), the
// show turns a metafile holding an action its canvas cannot draw into a
// bitmap, at most 2048 pixels a side at the office's screen resolution, and
// then places that bitmap at its pixel size. At the fine resolution our show
// runs at, such content comes out a fraction of its size in its top-left
// corner.
#include <cstdint>
#include <vector>

namespace kv::uno {

// True when the metafile holds an action the show's canvas leaves to a
// bitmap: a raster operation other than plain painting (gradients clipped
// with XOR), a moved clip region, a reference point or a wallpaper. A
// damaged or truncated metafile counts as holding one (the show cannot
// draw it as it stands either).
bool ShowDrawsAsBitmap(const std::vector<std::uint8_t>& svm);

}  // namespace kv::uno
