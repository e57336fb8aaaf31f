#pragma once
// Reads back what FlashClickRig put into a recording, as a player would
// present it (every picture and sample at its own presentation time), and
// turns it into the offset between picture and sound.
#include <string>
#include <vector>

#include "support/FlashClickRig.h"

namespace kvtest {

struct SyncMarks {
    bool opened = false;
    double fps = 0;
    std::vector<double> changes;  // seconds: the first picture of each new square colour
    std::vector<double> clicks;   // seconds: each click's onset
};

// Looks at the pixel (x, y) of every picture of `path` and at its sound.
SyncMarks ReadSyncMarks(const std::string& path, int x, int y);

struct FlashSync {
    int flashes = 0;                 // flashes logged
    int paired = 0;                  // found in both picture and sound
    int unsure = 0;                  // left out: the click stream may have run dry before the click
    double meanMs = 0;               // positive: the sound is ahead of the picture
    double driftMsPerMinute = 0;     // least-squares slope of the offsets
    double worstMs = 0;              // the offset farthest from zero
    double clickLatencyMs = 0;       // mean queue latency taken off the clicks
    int lateFrames = 0;              // pictures more than a frame later than their click
    std::vector<double> atSeconds;   // each pair: its time in the video
    std::vector<double> offsetsMs;   // each pair: its offset
    std::vector<double> latenciesMs; // each pair: the click latency taken off
};

// Pairs every flash with its picture change and its click. A picture change
// at frame p happened, on average, half a frame before p; a click is taken
// back by the latency logged for it.
FlashSync MeasureFlashSync(const std::vector<Flash>& flashes, const SyncMarks& marks);

// For picture changes that come with their own sound (a slide playing a
// click as it comes in): how long after each change its click is heard, in ms.
std::vector<double> SoundDelaysMs(const SyncMarks& marks);

// "offset_ms=.. drift_ms_per_min=.. worst_ms=.. late_frames=.. flashes=paired/logged unsure=.. click_latency_ms=..".
std::string DescribeFlashSync(const FlashSync& figures);

}  // namespace kvtest
