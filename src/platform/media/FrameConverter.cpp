#include "platform/media/FrameConverter.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include "platform/media/BgraToYuv444.h"

namespace kv::media {

bool FrameConverter::Open(int width, int height, AVPixelFormat format) {
    m_format = format;
    m_scale.reset();
    if (format == AV_PIX_FMT_YUV444P || format == AV_PIX_FMT_BGRA || format == AV_PIX_FMT_BGR0) return true;
    m_scale.reset(sws_getContext(width, height, AV_PIX_FMT_BGRA, width, height, format, SWS_POINT, nullptr, nullptr,
                                 nullptr));
    return m_scale != nullptr;
}

bool FrameConverter::Convert(const FrameImage& from, AVFrame* to) {
    if (m_format == AV_PIX_FMT_YUV444P) {
        BgraToYuv444(from, to->data, to->linesize);
        return true;
    }
    if (!m_scale) {
        av_image_copy_plane(to->data[0], to->linesize[0], from.pixels, from.stride, from.width * 4, from.height);
        return true;
    }
    const std::uint8_t* const planes[1] = {from.pixels};
    const int strides[1] = {from.stride};
    return sws_scale(m_scale.get(), planes, strides, 0, from.height, to->data, to->linesize) == from.height;
}

}  // namespace kv::media
