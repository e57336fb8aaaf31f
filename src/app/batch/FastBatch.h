#pragma once
// `kalvista --convert PRESENTATION... --fast`: the office draws the slides and
// the videos are made from those pictures; nothing is played or recorded.
// Several presentations are shared out among `jobs` workers, each with an
// office of its own that starts once for all the presentations it renders.
#include "app/batch/BatchOptions.h"

namespace kv {

// 0 when every video is complete, otherwise 1. One line per presentation:
// "Video: <path> (<seconds> s)" on stdout, or the reason on stderr.
int ConvertFast(const BatchOptions& options);

}  // namespace kv
