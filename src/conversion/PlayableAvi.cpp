#include "conversion/PlayableAvi.h"

#include "platform/media/MediaInfo.h"

namespace kv {

bool NeedsPlayableAvi(const std::string& recording) {
    const media::VideoStreamInfo info = media::ReadVideoStreamInfo(recording);
    return info.codec == "h264" && info.pixelFormat.rfind("yuv444", 0) == 0;
}

}  // namespace kv
