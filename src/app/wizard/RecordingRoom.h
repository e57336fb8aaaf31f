#pragma once
// Whether the disk has room for the recording the wizard is about to start,
// asked before the show opens, with the recorder's own measure.
#include <string>

namespace kv::wizard {

struct RecordingPlan {
    std::string presentation;
    std::string outputFolder;
    int width = 0;
    int height = 0;
    int framesPerSecond = 0;
    bool sound = false;
    std::string audioProperties;  // "44.1 kHz, stereo, 16-bit"
    int captureMode = 2;          // 2: every slide `secondsPerSlide`; other modes' length is not known
    int secondsPerSlide = 1;
};

// How long the show will run, in seconds; 0 when it is not known before it
// runs (the presenter or the slides' own timings decide), as the container
// counts it.
double ExpectedShowSeconds(const RecordingPlan& plan);

// Empty when the temporary folder and the output folder have room for the
// recording, else "Not enough disk space in <folder>: ..." as the recorder
// would refuse it.
std::string RecordingRoomProblem(const RecordingPlan& plan);

}  // namespace kv::wizard
