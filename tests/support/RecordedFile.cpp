#include "support/RecordedFile.h"

#include <cmath>
#include <memory>

#include "platform/media/LibavHandles.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace kvtest {

namespace {

class Decoder {
public:
    Decoder(AVStream* stream, const FrameVisitor& visit) : m_stream(stream), m_visit(visit) {
        const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
        if (!codec) return;
        m_codec.reset(avcodec_alloc_context3(codec));
        avcodec_parameters_to_context(m_codec.get(), stream->codecpar);
        if (avcodec_open2(m_codec.get(), codec, nullptr) < 0) m_codec.reset();
        m_frame.reset(av_frame_alloc());
    }

    void Send(const AVPacket* packet) {
        if (!m_codec || avcodec_send_packet(m_codec.get(), packet) < 0) return;
        while (avcodec_receive_frame(m_codec.get(), m_frame.get()) == 0) Deliver();
    }

private:
    void Deliver() {
        AVFrame* f = m_frame.get();
        m_scale.reset(sws_getCachedContext(m_scale.release(), f->width, f->height, AVPixelFormat(f->format), f->width,
                                           f->height, AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr));
        m_bgra.resize(static_cast<std::size_t>(f->width) * f->height * 4);
        uint8_t* dst[1] = {m_bgra.data()};
        int dstStride[1] = {f->width * 4};
        sws_scale(m_scale.get(), f->data, f->linesize, 0, f->height, dst, dstStride);
        const double seconds = f->best_effort_timestamp * av_q2d(m_stream->time_base);
        const auto position = static_cast<std::int64_t>(std::llround(seconds * av_q2d(m_stream->avg_frame_rate)));
        m_visit(position, kv::FrameImage{f->width, f->height, f->width * 4, m_bgra.data()});
    }

    AVStream* m_stream;
    const FrameVisitor& m_visit;
    kv::media::CodecContextPtr m_codec;
    kv::media::FramePtr m_frame;
    kv::media::SwsPtr m_scale;
    std::vector<std::uint8_t> m_bgra;
};

}  // namespace

RecordedFile ReadRecordedFile(const std::string& path, const FrameVisitor& visit) {
    RecordedFile file;
    int error = 0;
    kv::media::InputFormatPtr input = kv::media::OpenInput(path, &error);
    if (!input) return file;
    const int video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int audio = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (video < 0) return file;
    AVStream* stream = input->streams[video];
    file.opened = true;
    file.frameRate = av_q2d(stream->avg_frame_rate);
    file.width = stream->codecpar->width;
    file.height = stream->codecpar->height;
    file.codec = avcodec_get_name(stream->codecpar->codec_id);
    if (const char* format = av_get_pix_fmt_name(AVPixelFormat(stream->codecpar->format))) file.pixelFormat = format;

    std::unique_ptr<Decoder> decoder;
    if (visit) decoder = std::make_unique<Decoder>(stream, visit);
    kv::media::PacketPtr packet(av_packet_alloc());
    std::int64_t audioSamples = 0;
    double codedAudioSeconds = 0;
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == video && packet->size > 0) {
            // AVI stores no presentation times for some codecs (H.264): the
            // chunk's place in the stream is its decoding time, the same here
            // as nothing is reordered.
            const std::int64_t stamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            const double seconds = stamp * av_q2d(stream->time_base);
            file.positions.push_back(std::llround(seconds * file.frameRate));
            file.seconds.push_back(seconds);
            if (decoder) decoder->Send(packet.get());
        } else if (packet->stream_index == audio) {
            // PCM is counted by its bytes (AVI gives its chunks no durations);
            // compressed sound by the durations its packets carry.
            const AVCodecParameters* p = input->streams[audio]->codecpar;
            if (av_get_bits_per_sample(p->codec_id) > 0 && p->block_align > 0)
                audioSamples += packet->size / p->block_align;
            if (p->codec_id == AV_CODEC_ID_PCM_S16LE) {
                const auto* samples = reinterpret_cast<const std::int16_t*>(packet->data);
                file.pcm16.insert(file.pcm16.end(), samples, samples + packet->size / 2);
            }
            else
                codedAudioSeconds += packet->duration * av_q2d(input->streams[audio]->time_base);
        }
        av_packet_unref(packet.get());
    }
    if (decoder) decoder->Send(nullptr);
    if (audio >= 0) {
        file.audioRate = input->streams[audio]->codecpar->sample_rate;
        file.audioChannels = input->streams[audio]->codecpar->ch_layout.nb_channels;
    }
    if (audio >= 0)
        file.audioSeconds = codedAudioSeconds + double(audioSamples) / input->streams[audio]->codecpar->sample_rate;
    return file;
}

}  // namespace kvtest
