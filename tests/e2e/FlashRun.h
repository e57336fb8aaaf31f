#pragma once
// `kalvista --convert` of a deck while FlashClickRig flashes a square in its
// recorded window and clicks into the sound server it records: how far the
// sound is from the picture in the video it makes. Needs DISPLAY (a private
// X server) and a TestSoundSource alive in this process; the office that
// makes the deck is started and ended inside.
#include <filesystem>
#include <string>

#include "support/SyncMarks.h"

namespace kvtest {

struct FlashRunPlan {
    int slides = 2;
    int secondsPerSlide = 18;  // each slide's time in the show (auto mode)
    int fps = 30;
    std::string format = "MP4";
    unsigned seed = 1;
    // Instead of the square and the clicks: black and white slides, each
    // playing a click of the deck's own as it comes in (the office plays it).
    bool officeSound = false;
};

struct FlashRunResult {
    bool converted = false;
    std::string failure;  // why there are no figures
    FlashSync sync;
    std::vector<double> officeSoundMs;  // officeSound: how long after each slide change its click was heard
    int droppedFrames = 0;
    std::string soundTrace;  // the recorder's trace lines about the sound's timing  // positions the recorder left without a picture of their own (writer busy)
    std::string video;
};

FlashRunResult RunFlashConvert(const std::filesystem::path& kalvista, const FlashRunPlan& plan,
                               const std::filesystem::path& dir);

}  // namespace kvtest
