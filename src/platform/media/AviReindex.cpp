#include "platform/media/AviReindex.h"

#include <cstdio>

#include "platform/media/LibavHandles.h"

namespace kv::media {

namespace {

bool Failed(std::string* why, const std::string& step, int error) {
    *why = step + ": " + AvErrorText(error);
    return false;
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
    long copied = 0;
    while ((error = av_read_frame(input, packet.get())) >= 0) {
        if (packet->stream_index == index && packet->size > 0) {
            packet->stream_index = out->index;
            av_packet_rescale_ts(packet.get(), in->time_base, out->time_base);
            if ((error = av_write_frame(output.get(), packet.get())) < 0) return Failed(why, "writing a packet", error);
            ++copied;
        }
        av_packet_unref(packet.get());
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
    InputFormatPtr input = OpenInput(damagedPath, &error);
    if (!input) return Failed(why, "opening the video", error);
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (index < 0) return Failed(why, "finding the video stream", index);
    if (CopyPackets(input.get(), index, outputPath, why)) return true;
    std::remove(outputPath.c_str());
    return false;
}

}  // namespace kv::media
