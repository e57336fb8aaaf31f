#pragma once
// The office draws slides as pictures: presentations opened hidden and
// read-only in an office of our own, each slide exported through the
// office's graphic export at the size asked for. Nothing is shown on screen.
#include <memory>
#include <string>

#include "platform/automation/SlidePictures.h"

namespace kv {

// Starts an office of our own for drawing; null with the reason in *why.
// The office ends when the object goes.
std::unique_ptr<SlideDrawingOffice> StartSlideDrawingOffice(std::string* why);

}  // namespace kv
