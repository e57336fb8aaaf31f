#pragma once
// `kalvista --convert PRESENTATION --fast`: the office draws the slides and
// the video is made from those pictures; nothing is played or recorded.
#include "app/batch/BatchOptions.h"

namespace kv {

// 0 when the video is complete (its path printed), otherwise 1 with the reason on stderr.
int ConvertFast(const BatchOptions& options);

}  // namespace kv
