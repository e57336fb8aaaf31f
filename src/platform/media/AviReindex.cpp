#include "platform/media/AviReindex.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>

#include "platform/media/AviChunks.h"
#include "platform/media/AviVideoWriter.h"
#include "platform/media/LibavHandles.h"

namespace kv::media {

namespace {

bool Failed(std::string* why, const std::string& step, int error) {
    *why = step + ": " + AvErrorText(error);
    return false;
}

bool IsVideoChunkId(const char* id) {
    return std::isdigit(static_cast<unsigned char>(id[0])) && std::isdigit(static_cast<unsigned char>(id[1])) &&
           id[2] == 'd' && (id[3] == 'c' || id[3] == 'b');
}

std::uint32_t LittleEndian32(const char* bytes) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

// How many empty video chunks follow the chunk of a packet read at `pos` with
// `size` bytes (`pos` is where its header or its data begins).
long EmptyChunksAfter(const char* path, std::int64_t pos, int size) {
    std::ifstream file(path, std::ios::binary);
    char header[8];
    if (pos < 0 || !file.seekg(pos) || !file.read(header, 8)) return 0;
    const bool atHeader = IsVideoChunkId(header) && LittleEndian32(header + 4) == static_cast<std::uint32_t>(size);
    std::int64_t offset = (atHeader ? pos : pos - 8) + 8 + size + (size & 1);
    long count = 0;
    while (file.seekg(offset) && file.read(header, 8) && IsVideoChunkId(header) && LittleEndian32(header + 4) == 0) {
        ++count;
        offset += 8;
    }
    return count;
}

bool CopyPackets(AVFormatContext* input, int index, const std::string& outputPath, std::string* why) {
    int error = 0;
    OutputFormatPtr output = CreateAviOutput(outputPath, &error);
    if (!output) return Failed(why, "creating the file", error);
    AVStream* in = input->streams[index];
    AVStream* out = avformat_new_stream(output.get(), nullptr);
    if (!out) return Failed(why, "creating the stream", AVERROR(ENOMEM));
    avcodec_parameters_copy(out->codecpar, in->codecpar);
    out->codecpar->codec_tag = 0;
    out->time_base = in->time_base;
    if ((error = avformat_write_header(output.get(), nullptr)) < 0) return Failed(why, "writing the header", error);
    PacketPtr packet(av_packet_alloc());
    PacketPtr lastPicture(av_packet_alloc());
    if (!packet || !lastPicture) return Failed(why, "allocating a packet", AVERROR(ENOMEM));
    long copied = 0;
    std::int64_t next = 0;  // the next position to write
    while ((error = av_read_frame(input, packet.get())) >= 0) {
        if (packet->stream_index == index && packet->size > 0) {
            // The reader passes over empty chunks (the positions of a still
            // screen): they are written again before each picture.
            const std::int64_t position = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            if (position != AV_NOPTS_VALUE && position > next) {
                if ((error = WriteEmptyChunks(output.get(), out, in->time_base, next, position)) < 0)
                    return Failed(why, "writing a packet", error);
            }
            if (position != AV_NOPTS_VALUE) next = position + 1;
            av_packet_unref(lastPicture.get());
            if ((error = av_packet_ref(lastPicture.get(), packet.get())) < 0) return Failed(why, "keeping a packet", error);
            packet->stream_index = out->index;
            av_packet_rescale_ts(packet.get(), in->time_base, out->time_base);
            if ((error = av_write_frame(output.get(), packet.get())) < 0) return Failed(why, "writing a packet", error);
            ++copied;
        }
        av_packet_unref(packet.get());
    }
    // A recording that ended on a still screen: its positions are kept, the
    // last ones showing the picture again, as the writer ends such a stream.
    if (const long still = copied > 0 ? EmptyChunksAfter(input->url, lastPicture->pos, lastPicture->size) : 0; still > 0) {
        const std::int64_t end = next + still;  // one past the last position
        if ((error = WriteEmptyChunks(output.get(), out, in->time_base, next, std::max(next, end - AviVideoWriter::kHeldRepeats))) < 0)
            return Failed(why, "writing a packet", error);
        for (std::int64_t position = std::max(next, end - AviVideoWriter::kHeldRepeats); position < end; ++position) {
            PacketPtr again(av_packet_clone(lastPicture.get()));
            if (!again) return Failed(why, "repeating a packet", AVERROR(ENOMEM));
            again->stream_index = out->index;
            again->pts = again->dts = position;
            av_packet_rescale_ts(again.get(), in->time_base, out->time_base);
            if ((error = av_write_frame(output.get(), again.get())) < 0) return Failed(why, "writing a packet", error);
        }
    }
    if ((error = av_write_trailer(output.get())) < 0) return Failed(why, "writing the index", error);
    if (output->pb->error < 0) return Failed(why, "writing the file", output->pb->error);
    if ((error = avio_closep(&output->pb)) < 0) return Failed(why, "closing the file", error);
    if (copied == 0) return Failed(why, "reading the video", AVERROR_INVALIDDATA);
    return true;
}

}  // namespace

bool ReindexAvi(const std::string& damagedPath, const std::string& outputPath, std::string* why) {
    int error = 0;
    InputFormatPtr input = OpenInput(damagedPath, &error, "avi");
    if (!input) return Failed(why, "opening the video", error);
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) return Failed(why, "finding the video stream", index);
    if (CopyPackets(input.get(), index, outputPath, why)) return true;
    std::remove(outputPath.c_str());
    return false;
}

}  // namespace kv::media
