#include "rendering/SlideTimeline.h"

#include <algorithm>

#include "platform/files/DeckLimits.h"

namespace kv {

const char* const kPresenterModeRefusal =
    "Slides that the presenter advances cannot be rendered fast: choose automatic advance or the "
    "presentation's own timings";

const char* const kLiveSoundRefusal =
    "a live narration from a sound input cannot be rendered: rendering takes the presentation's own sounds "
    "from its file; leave out --sound, or record without --fast";

SlideTimeline PlanSlideTimeline(const std::vector<SlideFacts>& slides, int captureMode, double secondsPerSlide) {
    SlideTimeline timeline;
    if (captureMode != 1 && captureMode != 2) {
        timeline.refusal = kPresenterModeRefusal;
        return timeline;
    }
    for (const SlideFacts& facts : slides) {
        if (facts.hidden) continue;
        RenderedSlide shown;
        shown.number = facts.number;
        shown.start = timeline.seconds;
        shown.duration = captureMode == 1 && facts.ownSeconds > 0 ? facts.ownSeconds : secondsPerSlide;
        // A time of the deck's beyond any show (1e300 s, for ever) is refused, not rendered.
        timeline.refusal = SlideTimeRefusal(facts.number, shown.duration);
        if (timeline.refusal.empty()) timeline.refusal = TransitionRefusal(facts.number, facts.transitionSeconds);
        if (timeline.refusal.empty()) timeline.refusal = ShowLengthRefusal(timeline.seconds + shown.duration);
        if (!timeline.refusal.empty()) return timeline;
        // The first slide comes from nothing: no fade. A transition never
        // outlasts its slide.
        if (!timeline.slides.empty()) shown.transitionSeconds = std::min(facts.transitionSeconds, shown.duration);
        timeline.seconds += shown.duration;
        timeline.slides.push_back(shown);
    }
    if (timeline.slides.empty()) timeline.refusal = "every slide of the presentation is hidden";
    return timeline;
}

}  // namespace kv
