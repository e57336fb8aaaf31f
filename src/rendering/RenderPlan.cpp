#include "rendering/RenderPlan.h"

#include <algorithm>

namespace kv {

namespace {

// A stretch runs on a little past the planned end of its motion, so that
// the last picture held is the one the show settled on.
constexpr double kSettleSeconds = 0.2;

const SlideFacts* FactsOf(const std::vector<SlideFacts>& slides, int number) {
    for (const SlideFacts& facts : slides)
        if (facts.number == number) return &facts;
    return nullptr;
}

struct SlideMotionTimes {
    double end = 0;  // seconds after the slide's start at which the last motion ends; 0: still
    std::vector<double> clicks;
};

SlideMotionTimes MotionTimes(const RenderedSlide& slide, const SlideMotion& motion, const FilmSeconds& filmSeconds) {
    SlideMotionTimes times;
    const double effectsFrom = slide.transitionSeconds;
    double end = slide.transitionSeconds;
    if (motion.automatic > 0) end = std::max(end, effectsFrom + motion.automatic);
    times.clicks = ShowClockClicks(effectsFrom, slide.duration, motion.clicks.size());
    // A step that moves nothing (a sound started on a click) leaves the slide still.
    for (size_t i = 0; i < times.clicks.size(); ++i)
        if (motion.clicks[i] > 0) end = std::max(end, times.clicks[i] + motion.clicks[i]);
    for (const std::string& file : motion.media)
        if (const double film = filmSeconds ? filmSeconds(file) : 0; film > 0) end = std::max(end, effectsFrom + film);
    if (motion.endless) end = slide.duration;
    times.end = end > 0 ? std::min(slide.duration, end + kSettleSeconds) : 0;
    return times;
}

}  // namespace

std::vector<double> ShowClockClicks(double effectsFrom, double slideSeconds, size_t steps) {
    std::vector<double> clicks;
    if (effectsFrom >= slideSeconds) return clicks;
    for (size_t i = 0; i < steps; ++i)
        clicks.push_back(effectsFrom + static_cast<double>(i) * (slideSeconds - effectsFrom) / (2.0 * steps));
    return clicks;
}

RenderPlan PlanRender(const std::vector<SlideFacts>& slides, int captureMode, double secondsPerSlide,
                      const FilmSeconds& filmSeconds) {
    RenderPlan plan;
    plan.timeline = PlanSlideTimeline(slides, captureMode, secondsPerSlide);
    if (!plan.timeline.refusal.empty()) return plan;
    std::vector<SlideMotionTimes> times;
    for (const RenderedSlide& slide : plan.timeline.slides) {
        const SlideFacts* facts = FactsOf(slides, slide.number);
        times.push_back(facts ? MotionTimes(slide, facts->motion, filmSeconds) : SlideMotionTimes{});
    }
    for (size_t i = 0; i < times.size(); ++i) {
        if (times[i].end <= 0) continue;
        MovingStretch stretch;
        stretch.slide = i;
        StretchAsk& ask = stretch.ask;
        ask.page = plan.timeline.slides[i].number;
        ask.seconds = times[i].end;
        ask.clicks = times[i].clicks;
        ask.effectsFrom = plan.timeline.slides[i].transitionSeconds;
        ask.longest = plan.timeline.slides[i].duration;
        if (i > 0 && plan.timeline.slides[i].transitionSeconds > 0) {
            // The page before stands as its own motion left it.
            ask.pageBefore = plan.timeline.slides[i - 1].number;
            ask.beforeSeconds = std::max(times[i - 1].end, kSettleSeconds);
            ask.beforeClicks = times[i - 1].clicks;
            ask.beforeEffectsFrom = plan.timeline.slides[i - 1].transitionSeconds;
            ask.beforeLongest = plan.timeline.slides[i - 1].duration;
        }
        plan.stretches.push_back(std::move(stretch));
    }
    return plan;
}

}  // namespace kv
