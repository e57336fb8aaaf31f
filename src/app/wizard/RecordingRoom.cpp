#include "app/wizard/RecordingRoom.h"

#include <algorithm>
#include <cstdint>

#include "audio/AudioFormat.h"
#include "platform/files/PresentationPackage.h"
#include "recording/DiskSpace.h"
#include "recording/Recorder.h"

namespace kv::wizard {

double ExpectedShowSeconds(const RecordingPlan& plan) {
    if (plan.captureMode != 2) return 0;
    const auto slides = SlidesListedInPackage(plan.presentation);
    return slides ? static_cast<double>(*slides) * plan.secondsPerSlide : 0;
}

std::string RecordingRoomProblem(const RecordingPlan& plan) {
    int rate = 0, channels = 0, bits = 0;
    if (plan.sound) ParseAudioProperties(plan.audioProperties, rate, channels, bits);
    const auto soundBytes = static_cast<std::uint64_t>(std::max(0, rate * channels * bits / 8));
    const std::uint64_t bytesPerSecond =
        RecordingBytesPerSecond(plan.width, plan.height, plan.framesPerSecond, soundBytes);
    return DiskSpaceRefusal(GetTempFolder(plan.outputFolder), plan.outputFolder, ExpectedShowSeconds(plan),
                            bytesPerSecond);
}

}  // namespace kv::wizard
