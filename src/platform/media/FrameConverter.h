#pragma once
// Screen pictures (BGRA) into the pixel format an encoder takes: our own
// conversion for YUV 4:4:4 (the default encoder's), a plain copy for the
// encoders that take BGRA, libswscale for every other format. Same size in
// and out: nothing is scaled.
#include "platform/core/FrameImage.h"
#include "platform/media/LibavHandles.h"

namespace kv::media {

class FrameConverter {
public:
    // False when libswscale cannot convert to `format`.
    bool Open(int width, int height, AVPixelFormat format);
    // Fills `to` (Open's size and format) from `from` (the same size).
    bool Convert(const FrameImage& from, AVFrame* to);

private:
    AVPixelFormat m_format = AV_PIX_FMT_NONE;
    SwsPtr m_scale;
};

}  // namespace kv::media
