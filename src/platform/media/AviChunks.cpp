#include "platform/media/AviChunks.h"

namespace kv::media {

int WriteEmptyChunks(AVFormatContext* output, const AVStream* stream, AVRational positionBase,
                     long from, long to) {
    PacketPtr empty(av_packet_alloc());
    if (!empty) return AVERROR(ENOMEM);
    for (long position = from; position < to; ++position) {
        av_packet_unref(empty.get());
        empty->stream_index = stream->index;
        empty->pts = empty->dts = av_rescale_q(position, positionBase, stream->time_base);
        if (const int error = av_write_frame(output, empty.get()); error < 0) return error;
    }
    return 0;
}

}  // namespace kv::media
