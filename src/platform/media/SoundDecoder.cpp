#include "platform/media/SoundDecoder.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include "platform/media/LibavHandles.h"

namespace kv::media {

namespace {

struct SwrFree {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;

class Decoder {
public:
    Decoder(int rate, std::vector<float>* out) : m_rate(rate), m_out(out) {}

    // False with *why empty when the file has no sound.
    bool Open(const std::string& path, std::string* why) {
        int error = 0;
        m_input = OpenInput(path, &error);
        if (!m_input) return *why = "cannot read " + path + ": " + AvErrorText(error), false;
        const AVCodec* codec = nullptr;
        m_stream = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        if (m_stream == AVERROR_STREAM_NOT_FOUND) return why->clear(), false;
        if (m_stream < 0 || !codec) return *why = "no decoder for the sound of " + path, false;
        m_codec.reset(avcodec_alloc_context3(codec));
        if (!m_codec || avcodec_parameters_to_context(m_codec.get(), m_input->streams[m_stream]->codecpar) < 0 ||
            avcodec_open2(m_codec.get(), codec, nullptr) < 0)
            return *why = "cannot decode the sound of " + path, false;
        if (m_codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&m_codec->ch_layout, m_codec->ch_layout.nb_channels);
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        SwrContext* swr = nullptr;
        if (swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLT, m_rate, &m_codec->ch_layout, m_codec->sample_fmt,
                                m_codec->sample_rate, 0, nullptr) < 0 ||
            swr_init(swr) < 0) {
            swr_free(&swr);
            return *why = "cannot convert the sound of " + path, false;
        }
        m_swr.reset(swr);
        m_frame.reset(av_frame_alloc());
        m_packet.reset(av_packet_alloc());
        return m_frame && m_packet ? true : (*why = "out of memory", false);
    }

    bool Run(std::string* why) {
        while (av_read_frame(m_input.get(), m_packet.get()) >= 0) {
            const bool ours = m_packet->stream_index == m_stream;
            const int sent = ours ? avcodec_send_packet(m_codec.get(), m_packet.get()) : 0;
            av_packet_unref(m_packet.get());
            if (sent < 0 && sent != AVERROR_INVALIDDATA) return *why = "decoding: " + AvErrorText(sent), false;
            if (ours && !Receive()) return *why = "converting the sound", false;
        }
        avcodec_send_packet(m_codec.get(), nullptr);
        if (!Receive()) return *why = "converting the sound", false;
        return Convert(nullptr, 0) ? true : (*why = "converting the sound", false);
    }

private:
    bool Receive() {
        while (avcodec_receive_frame(m_codec.get(), m_frame.get()) >= 0) {
            const bool ok = Convert(const_cast<const std::uint8_t**>(m_frame->extended_data), m_frame->nb_samples);
            av_frame_unref(m_frame.get());
            if (!ok) return false;
        }
        return true;
    }

    // Converts `samples` (none: what the converter still holds) onto the end of the output.
    bool Convert(const std::uint8_t** in, int samples) {
        const int room = swr_get_out_samples(m_swr.get(), samples);
        if (room < 0) return false;
        const std::size_t before = m_out->size();
        m_out->resize(before + static_cast<std::size_t>(room) * 2);
        auto* to = reinterpret_cast<std::uint8_t*>(m_out->data() + before);
        const int made = swr_convert(m_swr.get(), &to, room, in, samples);
        if (made < 0) return false;
        m_out->resize(before + static_cast<std::size_t>(made) * 2);
        return true;
    }

    int m_rate;
    std::vector<float>* m_out;
    InputFormatPtr m_input;
    int m_stream = -1;
    CodecContextPtr m_codec;
    SwrPtr m_swr;
    FramePtr m_frame;
    PacketPtr m_packet;
};

}  // namespace

bool DecodeSound(const std::string& path, int rate, std::vector<float>* stereo, std::string* why) {
    KeepLibavQuiet();
    stereo->clear();
    Decoder decoder(rate, stereo);
    if (!decoder.Open(path, why)) return why->empty();
    return decoder.Run(why);
}

}  // namespace kv::media
