#pragma once
// A presentation's video planned from its slides: when each slide shows
// (the timeline), and the stretches in which something moves on it (its
// transition, its effects, a film, an animated picture), which are recorded
// from the office's own show. The rest of each slide is still: a picture
// drawn once, or the last picture of its stretch held.
#include <functional>
#include <string>
#include <vector>

#include "platform/automation/ShowStage.h"
#include "platform/automation/SlidePictures.h"
#include "rendering/SlideTimeline.h"

namespace kv {

struct MovingStretch {
    size_t slide = 0;  // its slide's place in the timeline
    StretchAsk ask;    // what the show plays for it (the frame rate is the request's)
};

struct RenderPlan {
    SlideTimeline timeline;
    std::vector<MovingStretch> stretches;  // in the video's order, at most one a slide
};

// Seconds of moving picture in a media file; 0 for a sound or an unreadable file.
using FilmSeconds = std::function<double(const std::string& file)>;

RenderPlan PlanRender(const std::vector<SlideFacts>& slides, int captureMode, double secondsPerSlide,
                      const FilmSeconds& filmSeconds);

// The clicks a timed show gives `steps` effects that wait for one on a slide
// of `slideSeconds` whose effects begin at `effectsFrom`: one after another in
// the first half of the time after that, the first at once.
std::vector<double> ShowClockClicks(double effectsFrom, double slideSeconds, size_t steps);

}  // namespace kv
