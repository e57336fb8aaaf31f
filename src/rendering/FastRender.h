#pragma once
// Rendering: a presentation becomes a video without playing its whole show.
// The slides' still stretches are drawn by the office as pictures, each put
// into the video once where it starts; the stretches in which something moves
// (transitions, effects, films, animated pictures) are recorded from the
// office's own show on stages of their own, only for their length, and joined
// in on the video's clock; the presentation's own sounds are mixed in at
// their times. The result is converted to the output format as a recording is.
#include <string>

#include "platform/automation/SlidePictures.h"
#include "rendering/RenderPlan.h"
#include "rendering/StagePool.h"

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
    bool deckSound = true;     // the presentation's own sounds into the video's sound track
};

struct FastRenderResult {
    bool ok = false;
    std::string error;        // why no video was made
    SlideTimeline timeline;   // the shown slides with their start times
    size_t movingStretches = 0;  // how many stretches were recorded from the show
    size_t sounds = 0;           // how many of the presentation's sounds were mixed in
};

// `stages` (of the request's size) records the moving stretches.
FastRenderResult RenderFast(SlideDrawingOffice& office, StagePool& stages, const FastRenderRequest& request);

// The largest picture and the highest frame rate rendering makes.
inline constexpr int kRenderMaxWidth = 3840;
inline constexpr int kRenderMaxHeight = 2160;
inline constexpr int kRenderMaxFps = 60;

}  // namespace kv
