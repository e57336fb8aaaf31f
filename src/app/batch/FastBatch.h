#pragma once
// `kalvista --convert PRESENTATION... --fast`: the office draws the slides and
// the videos are made from those pictures; nothing is played or recorded.
// Several presentations are shared out among `jobs` workers, each with an
// office of its own that starts once for all the presentations it renders.
#include <memory>
#include <string>

#include "app/batch/BatchOptions.h"
#include "platform/automation/SlidePictures.h"

namespace kv {

// 0 when every video is complete, otherwise 1. One line per presentation:
// "Video: <path> (<seconds> s)" on stdout, or the reason on stderr.
int ConvertFast(const BatchOptions& options);

// Leaves `office` usable for drawing: one that is missing or went away is
// started afresh. False with the reason in *why.
bool StartDrawingOffice(std::unique_ptr<SlideDrawingOffice>& office, std::string* why);

}  // namespace kv
