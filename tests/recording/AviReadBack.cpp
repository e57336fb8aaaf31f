#include "recording/AviReadBack.h"

#include <cstdio>
#include <vector>

#include "platform/media/LibavHandles.h"

extern "C" {
#include <libavutil/imgutils.h>
}

namespace kvtest {
using namespace kv::media;

namespace {

struct Decoder {
    CodecContextPtr ctx;
    SwsPtr toBgra;
    std::vector<std::uint8_t> pixels;

    bool Open(const AVStream* stream) {
        const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
        if (!codec) return false;
        ctx.reset(avcodec_alloc_context3(codec));
        return ctx && avcodec_parameters_to_context(ctx.get(), stream->codecpar) >= 0 &&
               avcodec_open2(ctx.get(), codec, nullptr) >= 0;
    }

    void Show(const AVFrame* frame, std::int64_t position, const PictureVisitor& visit) {
        toBgra.reset(sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                    frame->width, frame->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr,
                                    nullptr, nullptr));
        pixels.assign(static_cast<std::size_t>(frame->width) * frame->height * 4, 0);
        std::uint8_t* planes[1] = {pixels.data()};
        int strides[1] = {frame->width * 4};
        sws_scale(toBgra.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
        visit(position, kv::FrameImage{frame->width, frame->height, frame->width * 4, pixels.data()});
    }

    // Pictures come out in the order of their packets (every one is a key
    // frame), so the k-th picture belongs to the k-th position with a packet.
    void Drain(const std::vector<std::int64_t>& positions, const PictureVisitor& visit) {
        FramePtr frame(av_frame_alloc());
        while (avcodec_receive_frame(ctx.get(), frame.get()) >= 0) {
            const std::int64_t position = shown < positions.size() ? positions[shown] : -1;
            ++shown;
            Show(frame.get(), position, visit);
            av_frame_unref(frame.get());
        }
    }
    std::size_t shown = 0;
};

}  // namespace

AviReadBack ReadAvi(const std::string& path, const PictureVisitor& visit) {
    AviReadBack result;
    int error = 0;
    InputFormatPtr input = OpenInput(path, &error);
    if (!input) return result;
    const int videoIndex = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const AVStream* video = videoIndex >= 0 ? input->streams[videoIndex] : nullptr;
    Decoder decoder;
    if (video) {
        result.videoCodec = avcodec_get_name(video->codecpar->codec_id);
        result.videoTag = video->codecpar->codec_tag;
        result.width = video->codecpar->width;
        result.height = video->codecpar->height;
        result.frameRate = av_q2d(av_inv_q(video->time_base));
        result.positions = video->duration != AV_NOPTS_VALUE ? video->duration : video->nb_frames;
        if (visit && !decoder.Open(video)) return result;
    }
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        const AVStream* s = input->streams[i];
        if (s->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) continue;
        ++result.audioStreams;
        result.audioRate = s->codecpar->sample_rate;
        result.audioChannels = s->codecpar->ch_layout.nb_channels;
    }
    PacketPtr packet(av_packet_alloc());
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        const AVStream* stream = input->streams[packet->stream_index];
        if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && stream->codecpar->block_align > 0)
            result.audioSeconds += double(packet->size) / stream->codecpar->block_align / stream->codecpar->sample_rate;
        if (video && packet->stream_index == videoIndex && packet->size > 0) {
            result.pictures.push_back(packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts);
            if (!(packet->flags & AV_PKT_FLAG_KEY)) result.allKeyFrames = false;
            if (visit && avcodec_send_packet(decoder.ctx.get(), packet.get()) >= 0) decoder.Drain(result.pictures, visit);
        }
        av_packet_unref(packet.get());
    }
    if (visit && video) {
        avcodec_send_packet(decoder.ctx.get(), nullptr);
        decoder.Drain(result.pictures, visit);
    }
    result.opened = true;
    return result;
}

bool DecodeWithFfmpeg(const std::string& path, int width, int height,
                      const std::function<void(const kv::FrameImage& bgra)>& visit) {
    std::string quoted = "'";
    for (char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'";
    const std::string command = "ffmpeg -nostdin -v error -i " + quoted +
                                " -fps_mode cfr -f rawvideo -pix_fmt bgra -";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height * 4);
    while (std::fread(pixels.data(), 1, pixels.size(), pipe) == pixels.size())
        visit(kv::FrameImage{width, height, width * 4, pixels.data()});
    return pclose(pipe) == 0;
}

}  // namespace kvtest
