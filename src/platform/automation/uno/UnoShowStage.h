#pragma once
// The office backend's show stage: a private X server, an office started on
// it, and the show of one presentation at a time drawn there at the video's
// size, moved to the pages the stretches ask for.
#include <memory>
#include <string>

#include "platform/automation/ShowStage.h"

namespace kv {

// Null with the reason in *why. The office and its X server end with the stage.
std::unique_ptr<ShowStage> StartUnoShowStage(int width, int height, const StagePlacement& placement,
                                             std::string* why);

}  // namespace kv
