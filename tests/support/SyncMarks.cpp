#include "support/SyncMarks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

#include "platform/media/LibavHandles.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

namespace kvtest {
namespace {

// A click's onset: the first sample this loud after a quiet stretch; the
// next onset is looked for only after the click is long gone.
constexpr double kOnsetLevel = 0.3;
constexpr double kQuietAfterClick = 0.3;
// The square's brightness (0..255) when white and when black.
constexpr int kWhiteAbove = 180, kBlackBelow = 70;

kv::media::CodecContextPtr OpenDecoder(const AVStream* stream) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec) return {};
    kv::media::CodecContextPtr context(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(context.get(), stream->codecpar);
    // With the packets' time base the decoder moves a frame's time past the
    // encoder's leading samples it drops, as a player does.
    context->pkt_timebase = stream->time_base;
    if (avcodec_open2(context.get(), codec, nullptr) < 0) return {};
    return context;
}

// Sample `i` of channel 0 as -1..1, whatever the decoder's sample format.
double SampleAt(const AVFrame* f, int i) {
    const auto format = AVSampleFormat(f->format);
    const int step = av_sample_fmt_is_planar(format) ? 1 : f->ch_layout.nb_channels;
    const std::uint8_t* data = f->extended_data[0];
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_FLT: return reinterpret_cast<const float*>(data)[i * step];
    case AV_SAMPLE_FMT_DBL: return reinterpret_cast<const double*>(data)[i * step];
    case AV_SAMPLE_FMT_S16: return reinterpret_cast<const std::int16_t*>(data)[i * step] / 32768.0;
    case AV_SAMPLE_FMT_S32: return reinterpret_cast<const std::int32_t*>(data)[i * step] / 2147483648.0;
    case AV_SAMPLE_FMT_U8: return (data[i * step] - 128) / 128.0;
    default: return 0;
    }
}

class MarkReader {
public:
    MarkReader(SyncMarks& marks, int x, int y) : m_marks(marks), m_x(x), m_y(y) {}

    void Picture(const AVFrame* f, double seconds) {
        m_gray.reset(sws_getCachedContext(m_gray.release(), f->width, f->height, AVPixelFormat(f->format), f->width,
                                          f->height, AV_PIX_FMT_GRAY8, SWS_POINT, nullptr, nullptr, nullptr));
        m_pixels.resize(static_cast<std::size_t>(f->width) * f->height);
        std::uint8_t* dst[1] = {m_pixels.data()};
        int stride[1] = {f->width};
        sws_scale(m_gray.get(), f->data, f->linesize, 0, f->height, dst, stride);
        int sum = 0, count = 0;
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -4; dx <= 4; ++dx) {
                const int px = std::clamp(m_x + dx, 0, f->width - 1), py = std::clamp(m_y + dy, 0, f->height - 1);
                sum += m_pixels[static_cast<std::size_t>(py) * f->width + px];
                ++count;
            }
        const int level = sum / count;
        const char seen = level > kWhiteAbove ? 'W' : level < kBlackBelow ? 'K' : 0;
        if (!seen) return;
        if (m_colour && seen != m_colour) m_marks.changes.push_back(seconds);
        m_colour = seen;
    }

    void Sound(const AVFrame* f, double seconds, int rate) {
        for (int i = 0; i < f->nb_samples; ++i) {
            const double at = seconds + double(i) / rate;
            if (at < m_quietUntil || std::fabs(SampleAt(f, i)) < kOnsetLevel) continue;
            m_marks.clicks.push_back(at);
            m_quietUntil = at + kQuietAfterClick;
        }
    }

private:
    SyncMarks& m_marks;
    int m_x, m_y;
    char m_colour = 0;
    double m_quietUntil = -1;
    kv::media::SwsPtr m_gray;
    std::vector<std::uint8_t> m_pixels;
};

// Every frame the decoder gives for `packet` (null: the rest), with its time.
template <class Visit>
void Decode(AVCodecContext* codec, const AVStream* stream, const AVPacket* packet, AVFrame* frame, double& next,
            Visit visit) {
    if (!codec || avcodec_send_packet(codec, packet) < 0) return;
    while (avcodec_receive_frame(codec, frame) == 0) {
        const double at =
            frame->best_effort_timestamp != AV_NOPTS_VALUE ? frame->best_effort_timestamp * av_q2d(stream->time_base) : next;
        visit(frame, at);
        if (frame->sample_rate > 0) next = at + double(frame->nb_samples) / frame->sample_rate;
    }
}

double Mean(const std::vector<double>& v) { return v.empty() ? 0 : std::accumulate(v.begin(), v.end(), 0.0) / v.size(); }

// The least-squares slope of y over x.
double Slope(const std::vector<double>& x, const std::vector<double>& y) {
    const double mx = Mean(x), my = Mean(y);
    double sxy = 0, sxx = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
    }
    return sxx > 0 ? sxy / sxx : 0;
}

// The picture change nearest to `at`, or -1 when none lies within `within`.
int Nearest(const std::vector<double>& times, double at, double within) {
    int best = -1;
    for (std::size_t i = 0; i < times.size(); ++i)
        if (std::fabs(times[i] - at) <= within && (best < 0 || std::fabs(times[i] - at) < std::fabs(times[best] - at)))
            best = static_cast<int>(i);
    return best;
}

}  // namespace

SyncMarks ReadSyncMarks(const std::string& path, int x, int y) {
    SyncMarks marks;
    int error = 0;
    kv::media::InputFormatPtr input = kv::media::OpenInput(path, &error);
    if (!input) return marks;
    const int video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int audio = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (video < 0 || audio < 0) return marks;
    const AVStream* pictures = input->streams[video];
    const AVStream* sound = input->streams[audio];
    kv::media::CodecContextPtr pictureCodec = OpenDecoder(pictures), soundCodec = OpenDecoder(sound);
    if (!pictureCodec || !soundCodec) return marks;
    marks.opened = true;
    marks.fps = av_q2d(pictures->avg_frame_rate);

    MarkReader reader(marks, x, y);
    const int rate = sound->codecpar->sample_rate;
    auto picture = [&](const AVFrame* f, double at) { reader.Picture(f, at); };
    auto samples = [&](const AVFrame* f, double at) { reader.Sound(f, at, rate); };
    kv::media::FramePtr frame(av_frame_alloc());
    kv::media::PacketPtr packet(av_packet_alloc());
    double nextPicture = 0, nextSample = 0;
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == video)
            Decode(pictureCodec.get(), pictures, packet.get(), frame.get(), nextPicture, picture);
        else if (packet->stream_index == audio)
            Decode(soundCodec.get(), sound, packet.get(), frame.get(), nextSample, samples);
        av_packet_unref(packet.get());
    }
    Decode(pictureCodec.get(), pictures, nullptr, frame.get(), nextPicture, picture);
    Decode(soundCodec.get(), sound, nullptr, frame.get(), nextSample, samples);
    std::sort(marks.changes.begin(), marks.changes.end());
    return marks;
}

FlashSync MeasureFlashSync(const std::vector<Flash>& flashes, const SyncMarks& marks) {
    FlashSync figures;
    figures.flashes = static_cast<int>(flashes.size());
    if (flashes.empty() || marks.changes.empty() || marks.fps <= 0) return figures;
    // Where the flashes' clock lies on the video's: the shift that puts the
    // most picture changes onto flashes (gaps are random, so one shift fits).
    constexpr double kMatch = 0.1;
    double shift = 0;
    int bestCount = -1;
    for (std::size_t j = 0; j < std::min<std::size_t>(marks.changes.size(), 5); ++j)
        for (const Flash& f : flashes) {
            const double candidate = marks.changes[j] - f.shownAt;
            int count = 0;
            for (const Flash& g : flashes) count += Nearest(marks.changes, g.shownAt + candidate, kMatch) >= 0;
            if (count > bestCount) bestCount = count, shift = candidate;
        }
    const double halfFrame = 0.5 / marks.fps;
    for (const Flash& f : flashes) {
        if (!f.steady) {
            ++figures.unsure;
            continue;
        }
        const int change = Nearest(marks.changes, f.shownAt + shift, 0.25);
        if (change < 0) continue;
        const double shown = marks.changes[change] - halfFrame;
        // The click is found where it was heard; it was made clickLatency earlier.
        const int click = Nearest(marks.clicks, shown + f.clickLatency, 0.25);
        if (click < 0) continue;
        const double offsetMs = 1000 * (shown - (marks.clicks[click] - f.clickLatency));
        figures.atSeconds.push_back(shown);
        figures.clickLatencyMs += 1000 * f.clickLatency;
        figures.latenciesMs.push_back(1000 * f.clickLatency);
        figures.offsetsMs.push_back(offsetMs);
        if (std::fabs(offsetMs) > std::fabs(figures.worstMs)) figures.worstMs = offsetMs;
        figures.lateFrames += offsetMs > 1000 / marks.fps;
    }
    figures.paired = static_cast<int>(figures.offsetsMs.size());
    figures.meanMs = Mean(figures.offsetsMs);
    if (figures.paired > 0) figures.clickLatencyMs /= figures.paired;
    figures.driftMsPerMinute = 60 * Slope(figures.atSeconds, figures.offsetsMs);
    return figures;
}

std::vector<double> SoundDelaysMs(const SyncMarks& marks) {
    std::vector<double> delays;
    if (marks.fps <= 0) return delays;
    for (double change : marks.changes) {
        const double shown = change - 0.5 / marks.fps;
        const int click = Nearest(marks.clicks, shown, 0.5);
        if (click >= 0) delays.push_back(1000 * (marks.clicks[click] - shown));
    }
    return delays;
}

std::string DescribeFlashSync(const FlashSync& f) {
    char text[240];
    std::snprintf(text, sizeof text,
                  "offset_ms=%.1f drift_ms_per_min=%.1f worst_ms=%.1f late_frames=%d flashes=%d/%d unsure=%d "
                  "click_latency_ms=%.1f",
                  f.meanMs, f.driftMsPerMinute, f.worstMs, f.lateFrames, f.paired, f.flashes, f.unsure,
                  f.clickLatencyMs);
    return text;
}

}  // namespace kvtest
