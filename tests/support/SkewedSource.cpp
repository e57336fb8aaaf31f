#include "support/SkewedSource.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/sound/SoundInput.h"

namespace kvtest {

struct SkewedSource::State {
    double skewPpm = 0;
    Clock::duration startLatency{};
    std::mutex mutex;
    Clock::time_point firstFrame{};  // when frame 0 was captured
    unsigned rate = 0;

    double FramesPerSecond() const { return rate * (1.0 + skewPpm * 1e-6); }
};

namespace {

constexpr auto kStep = std::chrono::milliseconds(10);

class SkewedInput final : public kv::SoundInput {
public:
    explicit SkewedInput(std::shared_ptr<SkewedSource::State> state) : m_state(std::move(state)) {}

    int Open(const std::string&, const kv::AlsaCaptureFormat& format) override {
        if (format.channels != 2 || format.bits != 16 || format.rate == 0) return -EINVAL;
        m_rate = format.rate;
        m_open = true;
        return 0;
    }
    int Start() override {
        if (!m_open) return -EBADFD;
        std::lock_guard lock(m_state->mutex);
        m_state->rate = m_rate;
        m_state->firstFrame = SkewedSource::Clock::now() + m_state->startLatency;
        m_start = m_state->firstFrame;
        m_read = 0;
        return 0;
    }
    long Read(void* buffer, unsigned long frames, int timeoutMs) override {
        if (!m_open) return -EBADFD;
        const auto deadline = SkewedSource::Clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const auto ready = std::min<std::uint64_t>(Handed() - m_read, frames);
            if (ready > 0) {
                auto* out = static_cast<std::uint16_t*>(buffer);
                for (std::uint64_t i = 0; i < ready; ++i, ++m_read) {
                    out[2 * i] = static_cast<std::uint16_t>(m_read & 0xFFFF);
                    out[2 * i + 1] = static_cast<std::uint16_t>(m_read >> 16);
                }
                return static_cast<long>(ready);
            }
            const auto now = SkewedSource::Clock::now();
            if (now >= deadline) return 0;
            std::this_thread::sleep_for(std::min<SkewedSource::Clock::duration>(deadline - now, std::chrono::milliseconds(2)));
        }
    }
    int Recover(int) override { return 0; }
    long Available() const override { return static_cast<long>(Handed() - m_read); }
    long Delay() const override { return static_cast<long>(Captured(SkewedSource::Clock::now()) - m_read); }
    int Drop() override { return 0; }
    int Close() override {
        m_open = false;
        return 0;
    }
    bool IsOpen() const override { return m_open; }

private:
    // Frames captured by `t` (the device's own count).
    std::uint64_t Captured(SkewedSource::Clock::time_point t) const {
        if (t <= m_start) return 0;
        return static_cast<std::uint64_t>(std::chrono::duration<double>(t - m_start).count() * m_state->FramesPerSecond());
    }
    // Frames handed over so far: what was captured by the last 10 ms step.
    std::uint64_t Handed() const {
        const auto now = SkewedSource::Clock::now();
        if (now <= m_start) return 0;
        return Captured(m_start + (now - m_start) / kStep * kStep);
    }

    std::shared_ptr<SkewedSource::State> m_state;
    unsigned m_rate = 0;
    bool m_open = false;
    SkewedSource::Clock::time_point m_start{};
    std::uint64_t m_read = 0;
};

}  // namespace

SkewedSource::SkewedSource(double skewPpm, std::chrono::milliseconds startLatency) : m_state(std::make_shared<State>()) {
    m_state->skewPpm = skewPpm;
    m_state->startLatency = startLatency;
    kv::SetSoundInputMaker([state = m_state] { return std::make_unique<SkewedInput>(state); });
}

SkewedSource::~SkewedSource() { kv::SetSoundInputMaker({}); }

double SkewedSource::SkewPpm() const { return m_state->skewPpm; }

SkewedSource::Clock::time_point SkewedSource::CapturedAt(std::uint64_t frame) const {
    std::lock_guard lock(m_state->mutex);
    const double seconds = static_cast<double>(frame) / m_state->FramesPerSecond();
    return m_state->firstFrame + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace kvtest
