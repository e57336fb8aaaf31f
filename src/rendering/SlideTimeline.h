#pragma once
// When each slide of a fast-rendered video is on screen: the slides the show
// would show, in order, each with its start, its time and the transition
// into it. The same list can feed chapters or subtitles of the video.
#include <string>
#include <vector>

#include "platform/automation/SlidePictures.h"

namespace kv {

struct RenderedSlide {
    int number = 0;                // the slide's number in the presentation
    double start = 0;              // seconds from the video's start
    double duration = 0;           // seconds on screen, its transition included
    double transitionSeconds = 0;  // the cross-fade from the slide before, at the start of `duration`
};

struct SlideTimeline {
    std::vector<RenderedSlide> slides;
    double seconds = 0;  // the whole video
    std::string refusal; // why the presentation cannot be rendered this way; empty when it can
};

// Capture mode 2: every slide for `secondsPerSlide`; 1: each slide's own
// timing, `secondsPerSlide` for a slide without one; 3 (the presenter
// advances) cannot be rendered without the presenter and is refused.
SlideTimeline PlanSlideTimeline(const std::vector<SlideFacts>& slides, int captureMode, double secondsPerSlide);

extern const char* const kPresenterModeRefusal;
// Rendering takes the presentation's own sounds; a live microphone narration needs the show recorded.
extern const char* const kLiveSoundRefusal;

}  // namespace kv
