#include "platform/media/SoundResampler.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace kv::media {

SoundResampler::~SoundResampler() { swr_free(&m_swr); }

bool SoundResampler::Open(unsigned rate, unsigned channels, unsigned bits) {
    swr_free(&m_swr);
    AVChannelLayout layout;
    av_channel_layout_default(&layout, static_cast<int>(channels));
    const AVSampleFormat format = bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    const int r = static_cast<int>(rate);
    if (swr_alloc_set_opts2(&m_swr, &layout, format, r, &layout, format, r, 0, nullptr) < 0) return false;
    // Resampling from the start, so a compensation later never restarts the
    // library mid-stream; with the full band, frames pass unchanged until
    // then.
    av_opt_set_int(m_swr, "flags", SWR_FLAG_RESAMPLE, 0);
    av_opt_set_double(m_swr, "cutoff", 1.0, 0);
    if (swr_init(m_swr) < 0) {
        swr_free(&m_swr);
        return false;
    }
    m_nFrameBytes = channels * bits / 8;
    m_nRate = rate;
    return true;
}

bool SoundResampler::Convert(const std::uint8_t* in, std::size_t frames, std::vector<std::uint8_t>& out) {
    if (!m_swr) return false;
    const int room = swr_get_out_samples(m_swr, static_cast<int>(frames));
    if (room < 0) return false;
    const std::size_t before = out.size();
    out.resize(before + static_cast<std::size_t>(room) * m_nFrameBytes);
    std::uint8_t* dst = out.data() + before;
    const int made = swr_convert(m_swr, &dst, room, &in, static_cast<int>(frames));
    out.resize(before + static_cast<std::size_t>(std::max(made, 0)) * m_nFrameBytes);
    return made >= 0;
}

bool SoundResampler::Compensate(int delta, int distance) {
    return m_swr && swr_set_compensation(m_swr, delta, distance) >= 0;
}

long SoundResampler::Held() const { return m_swr ? static_cast<long>(swr_get_delay(m_swr, m_nRate)) : 0; }

void SoundResampler::Flush(std::vector<std::uint8_t>& out) {
    if (!m_swr) return;
    const int room = swr_get_out_samples(m_swr, 0);
    if (room <= 0) return;
    const std::size_t before = out.size();
    out.resize(before + static_cast<std::size_t>(room) * m_nFrameBytes);
    std::uint8_t* dst = out.data() + before;
    const int made = swr_convert(m_swr, &dst, room, nullptr, 0);
    out.resize(before + static_cast<std::size_t>(std::max(made, 0)) * m_nFrameBytes);
}

}  // namespace kv::media
