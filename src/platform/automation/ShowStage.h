#pragma once
// A slide show played out of sight for the stretches of a video in which
// something moves: a private X server of its own, an office of its own
// drawing the show there at the video's size, and the screen grabbed while a
// stretch plays. Core code asks for stretches; the office backend plays them.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/FrameImage.h"

namespace kv {

// Where the office's window goes so that its show puts the page where the
// video wants it (relative to the video's picture), for pages of this size
// (hundredths of a millimetre).
struct StageRect {
    int x = 0, y = 0, width = 0, height = 0;
};
using StagePlacement = std::function<StageRect(int width, int height, long long pageWidth, long long pageHeight)>;

// One stretch: the show moves to `page` and plays it for `seconds`.
struct StretchAsk {
    int page = 0;                // 1-based page number
    int pageBefore = 0;          // > 0: the show first stands at this page, so that `page` comes in with its transition
    double beforeSeconds = 0;    // how long the page before plays before the show moves on (its own effects)
    std::vector<double> beforeClicks;  // seconds after its start at which the page before gets a click
    double beforeEffectsFrom = 0;      // when the page before's effects were planned to begin
    double beforeLongest = 0;          // the page before's whole time: it never plays longer
    // Recorded from the moment `page` starts for `seconds`, and on until its
    // effects have ended by the show's own word (they may run late), but
    // never past `longest`, its whole time.
    double seconds = 0;
    double longest = 0;
    std::vector<double> clicks;  // seconds after `page` starts at which the show gets a click (timed modes)
    double effectsFrom = 0;      // when its effects were planned to begin (the clicks follow them)
    int fps = 25;
};

// Each grabbed picture with its time in seconds after the page started;
// returning false stops the stretch (it then fails).
using StretchFrames = std::function<bool(const FrameImage& frame, double seconds)>;

class ShowStage {
public:
    virtual ~ShowStage() = default;
    // Plays the stretch of the presentation at `path` (opened once and kept
    // for its next stretches); false with the reason in *why.
    virtual bool Record(const std::string& path, const StretchAsk& ask, const StretchFrames& frames,
                        std::string* why) = 0;
    // False once its office has gone away or stopped answering.
    virtual bool Usable() const = 0;
};

// Starts a stage whose picture is width x height; null with the reason in *why.
using ShowStageFactory =
    std::function<std::unique_ptr<ShowStage>(int width, int height, const StagePlacement& placement, std::string* why)>;

}  // namespace kv
