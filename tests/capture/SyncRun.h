#pragma once
// A recording through the real recorder from a sound source of known skew
// and a window that shows its own time, read back at every second: how far
// the sound is from the picture at that point of the video.
#include <string>
#include <vector>

namespace kvtest {

struct SyncPlan {
    int fps = 5;
    int rate = 11025;
    double skewPpm = 0;
    double seconds = 60;  // recorded (pauses not counted)
    int pauses = 3;       // of random length and place
    unsigned seed = 1;
};

struct SyncReading {
    double mediaSeconds;
    double offsetMs;  // positive: the sound is ahead of the picture
    bool afterPause;  // within a second after a resume
};

struct SyncResult {
    bool recorded = false;
    std::string failure;
    std::vector<SyncReading> readings;
    double startOffsetMs = 0;  // at the first second
    double driftMs = 0;        // largest change of the offset from the start, away from pauses
    double pauseMs = 0;        // largest offset just after a pause
    double videoSeconds = 0;
    double soundSeconds = 0;
};

SyncResult RunSyncRecording(const SyncPlan& plan);
// "offset_ms=... drift_ms=... pause_ms=... skew_ppm=... seconds=..."
std::string SyncFigures(const SyncPlan& plan, const SyncResult& result);

}  // namespace kvtest
