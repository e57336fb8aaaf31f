#pragma once
// What the container tells the user for each recorder error code.
#include <string>

namespace kv {

std::string RecorderErrorText(int code);

}  // namespace kv
