#pragma once
// What the container tells the user for each recorder error code.
#include <string>

namespace kv {

std::string RecorderErrorText(int code);

// The codes of a recording that ended before its first picture (no room on
// disk, no file, no show window, no picture to grab): nothing was recorded.
bool RefusedBeforeRecording(int code);

}  // namespace kv
