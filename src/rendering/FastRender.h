#pragma once
// Fast rendering: a presentation becomes a video without playing its show.
// The office draws each shown slide at the video's size; every picture goes
// into the intermediate AVI once, at the position where its slide starts (the
// positions between stay empty, so a still slide costs one frame), a
// transition becomes a cross-fade of its length, and the AVI is converted to
// the output format as a recording is. No sound; animations inside a slide
// show their final state.
#include <string>

#include "platform/automation/SlidePictures.h"
#include "rendering/SlideTimeline.h"

namespace kv {

struct FastRenderRequest {
    std::string presentation;
    std::string output;        // the finished video; replaced when it exists
    std::string format = "MP4";
    int width = 800;
    int height = 600;
    int fps = 5;
    int captureMode = 2;       // 2 every slide for `seconds`; 1 the slides' own timings
    double seconds = 5;        // per slide in mode 2, for a slide without timing in mode 1
    int qualityFactor = 80;
    int audioBitRate = 128;    // kbit/s, for formats whose command names one
    std::string workFolder;    // for the pictures and the intermediate AVI; empty: the temporary folder
};

struct FastRenderResult {
    bool ok = false;
    std::string error;        // why no video was made
    SlideTimeline timeline;   // the shown slides with their start times
};

FastRenderResult RenderFast(SlideDrawingOffice& office, const FastRenderRequest& request);

}  // namespace kv
