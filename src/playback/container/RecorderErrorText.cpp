#include "playback/container/RecorderErrorText.h"

#include "recording/state/RecorderState.h"

namespace kv {

std::string RecorderErrorText(int code) {
    switch (code) {
    case -1:
        return "Unable to create output video file. Please try again.";
    case -2:
    case -3:
    case -4:
        return "Unable to record the video. Please try again.";
    case -6:
    case -7:
    case -8:
    case -10:
        return "Unable to save video file. Please try Again.";
    case -11:
        return "There is not enough disk space to record.";
    case -9:
        return "There was an error while generating the output file.\n Unable to merge video and audio stream.";
    default:
        return "An unexpected error occured while recording.\n Please try Again.";
    }
}

bool RefusedBeforeRecording(int code) { return code == -1 || code == -2 || code == -4 || code == kNotEnoughDiskSpace; }

}  // namespace kv
