#include "audio/SoundSync.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/core/Trace.h"

namespace kv {

namespace {

// How much of the device's timing the fit looks back on, and how often it
// takes a point: seconds, so one late wake-up moves nothing.
constexpr double kFitSeconds = 10.0;
constexpr double kPointSeconds = 0.05;
// A departure from the fit counts as a jump only when the readings show it
// for this long, so odd delays from the device are not taken for one.
constexpr double kJumpPersistsSeconds = 1.0;
// The rate is estimated from this much sound at least; before that the
// device is taken at its word. Some devices hand sound over in a saw-tooth
// of several milliseconds a second, which a shorter look takes for drift.
constexpr double kSlopeSeconds = 8.0;
// No device is off by more than this; a larger estimate is noise.
constexpr double kMaxDrift = 0.005;

struct Stretch {
    double from, until;
};

// The timeline in seconds since its start: what lies outside the recording.
struct Cuts {
    std::vector<Stretch> out;  // pauses, then everything from the stop on

    Cuts(const RecordingTimeline::Snapshot& t, std::chrono::steady_clock::time_point origin) {
        const auto s = [&](std::chrono::steady_clock::time_point p) { return std::chrono::duration<double>(p - origin).count(); };
        const double never = std::numeric_limits<double>::infinity();
        for (const auto& pause : t.pauses) out.push_back({s(pause.from), pause.until ? s(*pause.until) : never});
        if (t.stop) out.push_back({s(*t.stop), never});
    }
    // Nothing between `from` and `until` (inclusive) is cut.
    bool Keeps(double from, double until) const {
        if (from < 0) return false;
        for (const Stretch& c : out)
            if (c.from <= until && c.until > from) return false;
        return true;
    }
    bool Excluded(double t) const {
        if (t < 0) return true;
        for (const Stretch& c : out)
            if (t >= c.from && t < c.until) return true;
        return false;
    }
    // Recording time before t.
    double Active(double t) const {
        double active = std::max(t, 0.0);
        for (const Stretch& c : out)
            if (t > c.from) active -= std::min(t, c.until) - c.from;
        return active;
    }
};

}  // namespace

CSoundSync::CSoundSync(unsigned rate, unsigned channels, unsigned bits)
    : m_nRate(rate), m_nFrameBytes(channels * bits / 8), m_nSilence(bits == 8 ? 0x80 : 0), m_fSecondsPerFrame(1.0 / rate) {
    m_bResample = m_resampler.Open(rate, channels, bits);
    if (!m_bResample) Trace("CSoundSync : no resampler, drift is put right by silence and dropped frames only\n");
}

double CSoundSync::Seconds(TimePoint t) const { return std::chrono::duration<double>(t - m_origin).count(); }

double CSoundSync::CaptureSeconds(double frame) const { return m_fBase + frame * m_fSecondsPerFrame; }

void CSoundSync::Fit(double frames, double seconds) {
    if (!m_points.empty()) {
        const double off = seconds - CaptureSeconds(frames);
        if (std::abs(off) <= kJumpSeconds) {
            m_fOutlierSince = -1;
        } else if (m_fOutlierSince < 0) {
            m_fOutlierSince = seconds;
            return;  // an odd reading stays out of the fit
        } else if (seconds - m_fOutlierSince < kJumpPersistsSeconds) {
            return;
        } else {
            TraceF("CSoundSync : the sound's timing jumped by %.0f ms, estimating it afresh", off * 1000.0);
            m_points.clear();
            m_fOutlierSince = -1;
        }
    }
    if (m_points.empty() || seconds - m_points.back().seconds >= kPointSeconds) m_points.push_back({frames, seconds});
    while (m_points.size() > 2 && m_points.front().seconds < seconds - kFitSeconds) m_points.pop_front();

    const double span = m_points.back().seconds - m_points.front().seconds;
    double slope = 1.0 / m_nRate;
    if (span >= kSlopeSeconds) {
        // Least squares over the window, about its means.
        double mx = 0, my = 0;
        for (const Point& p : m_points) mx += p.frames, my += p.seconds;
        mx /= m_points.size();
        my /= m_points.size();
        double sxy = 0, sxx = 0;
        for (const Point& p : m_points) sxy += (p.frames - mx) * (p.seconds - my), sxx += (p.frames - mx) * (p.frames - mx);
        if (sxx > 0) slope = std::clamp(sxy / sxx, (1.0 - kMaxDrift) / m_nRate, (1.0 + kMaxDrift) / m_nRate);
        m_fSecondsPerFrame = slope;
        m_fBase = my - slope * mx;
        m_bFitted = true;
        return;
    }
    m_fSecondsPerFrame = m_bFitted ? m_fSecondsPerFrame : slope;
    slope = m_fSecondsPerFrame;
    double sum = 0;
    for (const Point& p : m_points) sum += p.seconds - p.frames * slope;
    m_fBase = sum / m_points.size();
}

void CSoundSync::Deliver(const std::uint8_t* data, std::size_t frames, TimePoint now, long delay,
                         const RecordingTimeline::Snapshot& timeline, std::vector<std::uint8_t>& out) {
    if (frames == 0) return;
    if (!m_bOriginSet) {
        m_origin = timeline.start;
        m_bOriginSet = true;
    }
    const double end = static_cast<double>(m_nDeviceFrames + frames);
    Fit(end, Seconds(now) - static_cast<double>(std::max(delay, 0L)) / m_nRate);

    const Cuts cuts(timeline, m_origin);
    std::vector<std::uint8_t> kept;
    double lastKept = -1;
    const double first = CaptureSeconds(static_cast<double>(m_nDeviceFrames) + 0.5);
    const double last = CaptureSeconds(end - 0.5);
    const bool whole = m_nDropOwed == 0 && cuts.Keeps(first, last);
    if (whole) {
        // The usual block: all of it recorded, nothing owed.
        kept.assign(data, data + frames * m_nFrameBytes);
        lastKept = last;
    } else {
        kept.reserve(frames * m_nFrameBytes);
    }
    for (std::size_t i = 0; !whole && i < frames; ++i) {
        const double frame = static_cast<double>(m_nDeviceFrames + i);
        const double at = CaptureSeconds(frame + 0.5);
        if (cuts.Excluded(at)) continue;
        lastKept = at;
        if (m_nDropOwed > 0) {
            --m_nDropOwed;
            continue;
        }
        kept.insert(kept.end(), data + i * m_nFrameBytes, data + (i + 1) * m_nFrameBytes);
    }
    m_nDeviceFrames += frames;
    m_fLastCovered = CaptureSeconds(end);
    if (lastKept < 0 || kept.empty()) return;

    // Where the last kept frame belongs in the file, against where it would land.
    const double belongs = cuts.Active(lastKept) * m_nRate - 0.5;
    const double lands = static_cast<double>(m_nFileFrames) + (m_bResampling ? m_resampler.Held() : 0) +
                         static_cast<double>(kept.size() / m_nFrameBytes) - 1;
    Correct(belongs - lands, kept, out);
}

void CSoundSync::Correct(double error, std::vector<std::uint8_t>& kept, std::vector<std::uint8_t>& out) {
    const std::size_t keptFrames = kept.size() / m_nFrameBytes;
    const bool first = m_bFirstKept;
    m_bFirstKept = false;
    const long frames = std::lround(error);
    if (first || std::abs(error) > kJumpSeconds * m_nRate) {
        if (!first)
            TraceF("CSoundSync : the sound was %ld ms %s the recording clock, put right at once", std::labs(frames) * 1000 / static_cast<long>(m_nRate),
                   frames > 0 ? "behind" : "ahead of");
        if (frames > 0) {
            Silence(static_cast<std::size_t>(frames), out);
        } else if (frames < 0) {
            const auto drop = static_cast<std::size_t>(-frames);
            if (drop >= keptFrames) {
                m_nDropOwed += drop - keptFrames;
                return;
            }
            kept.erase(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(drop * m_nFrameBytes));
        }
        if (m_bResampling) m_resampler.Compensate(0, static_cast<int>(m_nRate));
        m_nSinceCompensation = 0;
    } else if ((m_nSinceCompensation += keptFrames) >= m_nRate && m_bResample) {
        // What is off now goes over the next second, a few samples at a time.
        // Below ten milliseconds the sound passes untouched: a sound server's
        // timing reports wander by several, and a device that keeps the clock
        // is never resampled at all. One that drifts is steered from a few.
        // Nor before the rate has been estimated over seconds: what a short
        // look shows is the device's jitter, not drift.
        m_nSinceCompensation = 0;
        const bool drifting = std::abs(DriftPpm()) >= kSteerPpm && std::abs(error) >= kSteerSeconds * m_nRate;
        const bool off = m_bFitted && (std::abs(error) >= kDeadbandSeconds * m_nRate || drifting);
        if (off && frames != 0 && !m_bResampling) Engage();
        if (m_bResampling) m_resampler.Compensate(off ? static_cast<int>(frames) : 0, static_cast<int>(m_nRate));
    }
    Emit(kept.data(), kept.size() / m_nFrameBytes, out);
}

void CSoundSync::Emit(const std::uint8_t* data, std::size_t frames, std::vector<std::uint8_t>& out) {
    const std::size_t before = m_tail.size();
    if (!m_bResampling || !m_resampler.Convert(data, frames, m_tail))
        m_tail.insert(m_tail.end(), data, data + frames * m_nFrameBytes);
    m_nFileFrames += (m_tail.size() - before) / m_nFrameBytes;
    // The last few milliseconds stay here, so the end can still be cut exactly.
    const std::size_t keep = static_cast<std::size_t>(m_nRate / 50) * m_nFrameBytes;
    if (m_tail.size() > keep) {
        const auto release = static_cast<std::ptrdiff_t>(m_tail.size() - keep);
        out.insert(out.end(), m_tail.begin(), m_tail.begin() + release);
        m_tail.erase(m_tail.begin(), m_tail.begin() + release);
    }
}

void CSoundSync::Engage() {
    const std::size_t tailFrames = m_tail.size() / m_nFrameBytes;
    // Half the held frames, at most kPrimeFrames: the other half carries what
    // the resampler keeps back of the first.
    const std::size_t prime = std::min<std::size_t>(kPrimeFrames, tailFrames / 2);
    // The first frames held fill the resampler's history; what it gives for
    // them is here already. Before any stretching it gives frame for frame,
    // so the rest comes out behind the part of that history it still held.
    std::vector<std::uint8_t> history, rest;
    m_resampler.Convert(m_tail.data(), prime, history);
    const std::size_t again = prime * m_nFrameBytes - std::min(history.size(), prime * m_nFrameBytes);
    m_resampler.Convert(m_tail.data() + prime * m_nFrameBytes, tailFrames - prime, rest);
    m_tail.resize(prime * m_nFrameBytes);
    if (rest.size() > again) m_tail.insert(m_tail.end(), rest.begin() + static_cast<std::ptrdiff_t>(again), rest.end());
    m_nFileFrames -= tailFrames - m_tail.size() / m_nFrameBytes;
    m_bResampling = true;
}

void CSoundSync::Silence(std::size_t frames, std::vector<std::uint8_t>& out) {
    const std::vector<std::uint8_t> silence(frames * m_nFrameBytes, m_nSilence);
    Emit(silence.data(), frames, out);
}

bool CSoundSync::Covers(TimePoint t) const { return m_bOriginSet && m_fLastCovered >= Seconds(t); }

void CSoundSync::Finish(const RecordingTimeline::Snapshot& timeline, TimePoint stop, std::vector<std::uint8_t>& out) {
    if (!m_bOriginSet) {
        m_origin = timeline.start;
        m_bOriginSet = true;
    }
    if (m_bResampling) {
        const std::size_t before = m_tail.size();
        m_resampler.Flush(m_tail);
        m_nFileFrames += (m_tail.size() - before) / m_nFrameBytes;
    }
    RecordingTimeline::Snapshot ended = timeline;
    if (!ended.stop) ended.stop = stop;
    const Cuts cuts(ended, m_origin);
    const auto target = static_cast<std::uint64_t>(std::llround(cuts.Active(Seconds(*ended.stop)) * m_nRate));
    if (m_nFileFrames < target) {
        m_tail.resize(m_tail.size() + (target - m_nFileFrames) * m_nFrameBytes, m_nSilence);
    } else {
        const std::uint64_t over = std::min<std::uint64_t>(m_nFileFrames - target, m_tail.size() / m_nFrameBytes);
        if (over < m_nFileFrames - target) TraceF("CSoundSync : the sound ends %llu frames late", static_cast<unsigned long long>(m_nFileFrames - target - over));
        m_tail.resize(m_tail.size() - over * m_nFrameBytes);
    }
    m_nFileFrames = target;
    out.insert(out.end(), m_tail.begin(), m_tail.end());
    m_tail.clear();
}

double CSoundSync::DriftPpm() const { return m_bFitted ? (1.0 / (m_fSecondsPerFrame * m_nRate) - 1.0) * 1e6 : 0.0; }

}  // namespace kv
