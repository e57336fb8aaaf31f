#pragma once
// The moving stretches of one presentation recorded from the office's show,
// each into an AVI of its own whose positions count from its slide's start:
// up to as many at once as the pool has stages. A stretch that fails is
// tried once more on a fresh stage (a new office); a second failure fails
// the presentation.
#include <string>
#include <vector>

#include "rendering/RenderPlan.h"
#include "rendering/StagePool.h"

namespace kv {

struct StretchRecordingRequest {
    std::string presentation;
    std::string folder;  // where the stretches' files go
    int fps = 25;
    int qualityFactor = 80;
};

// files[i] is the AVI of stretches[i]. False with the reason in *why.
bool RecordStretches(StagePool& pool, const StretchRecordingRequest& request,
                     const std::vector<MovingStretch>& stretches, std::vector<std::string>* files, std::string* why);

}  // namespace kv
