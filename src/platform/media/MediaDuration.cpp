#include "platform/media/MediaDuration.h"

#include <algorithm>

#include "platform/media/LibavHandles.h"

namespace kv::media {

double MediaDurationSeconds(const std::string& path) {
    KeepLibavQuiet();
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return 0;
    InputFormatPtr input(raw);
    double seconds = 0;
    if (input->duration > 0) seconds = static_cast<double>(input->duration) / AV_TIME_BASE;
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* stream = input->streams[i];
        if (stream->duration > 0) seconds = std::max(seconds, stream->duration * av_q2d(stream->time_base));
    }
    return seconds;
}

}  // namespace kv::media
