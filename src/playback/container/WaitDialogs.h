#pragma once
// The conversion dialog as the container runs it. For unattended runs it can
// press Finish by itself once the conversion is done.
#include <memory>

#include "playback/container/ContainerServices.h"

namespace kv {

std::shared_ptr<ConversionDialogs> MakeWaitDialogs(bool finishWhenDone = false);

}  // namespace kv
