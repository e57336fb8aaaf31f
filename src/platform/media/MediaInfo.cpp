#include "platform/media/MediaInfo.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

#include "platform/media/LibavHandles.h"

namespace kv::media {

VideoStreamInfo ReadVideoStreamInfo(const std::string& path) {
    VideoStreamInfo info;
    int error = 0;
    const InputFormatPtr input = OpenInput(path, &error);
    if (!input) return info;
    if (input->duration > 0) info.seconds = static_cast<double>(input->duration) / AV_TIME_BASE;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) return info;
    const AVCodecParameters* parameters = input->streams[index]->codecpar;
    info.coverArt = (input->streams[index]->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
    info.codec = avcodec_get_name(parameters->codec_id);
    const char* format = av_get_pix_fmt_name(static_cast<AVPixelFormat>(parameters->format));
    if (format) info.pixelFormat = format;
    return info;
}

}  // namespace kv::media
