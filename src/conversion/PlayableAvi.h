#pragma once
// AVI output that plays in common players. Our default encoder records
// H.264 4:4:4 with every frame a key frame, which most players refuse; such
// a recording is converted to H.264 High 4:2:0 for AVI output. A recording
// made by a compressor the user chose is moved as it is.
#include <string>

namespace kv {

// True when the recording's picture is 4:4:4 H.264 (our default encoder).
bool NeedsPlayableAvi(const std::string& recording);

}  // namespace kv
