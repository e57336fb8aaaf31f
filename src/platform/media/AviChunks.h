#pragma once
// Zero-size video chunks: how an AVI keeps a position that has no picture
// (players show the previous one), so the stream's duration follows the
// positions rather than the number of pictures.
#include "platform/media/LibavHandles.h"

namespace kv::media {

// Writes empty chunks for positions `from` up to (not including) `to`, in
// units of `positionBase`. Returns 0 or the FFmpeg error.
int WriteEmptyChunks(AVFormatContext* output, const AVStream* stream, AVRational positionBase,
                     long from, long to);

}  // namespace kv::media
