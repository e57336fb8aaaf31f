#include "platform/sound/AlsaCapture.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#include "platform/sound/AlsaMessages.h"

namespace kv {
namespace {

int Configure(snd_pcm_t* pcm, const AlsaCaptureFormat& f) {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    int err = snd_pcm_hw_params_any(pcm, hw);
    if (err >= 0) err = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (err >= 0) err = snd_pcm_hw_params_set_format(pcm, hw, f.bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE);
    if (err >= 0) err = snd_pcm_hw_params_set_channels(pcm, hw, f.channels);
    if (err >= 0) err = snd_pcm_hw_params_set_rate(pcm, hw, f.rate, 0);
    snd_pcm_uframes_t period = f.periodFrames;
    snd_pcm_uframes_t buffer = f.periodFrames * f.periods;
    if (err >= 0) err = snd_pcm_hw_params_set_period_size_near(pcm, hw, &period, nullptr);
    if (err >= 0) err = snd_pcm_hw_params_set_buffer_size_near(pcm, hw, &buffer);
    if (err >= 0) err = snd_pcm_hw_params(pcm, hw);
    if (err < 0) return err;

    // The program starts the stream itself, and wakes for every block.
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    err = snd_pcm_sw_params_current(pcm, sw);
    if (err >= 0) err = snd_pcm_sw_params_set_avail_min(pcm, sw, period < f.periodFrames ? period : f.periodFrames);
    if (err >= 0) err = snd_pcm_sw_params_set_start_threshold(pcm, sw, buffer * 2);
    if (err >= 0) err = snd_pcm_sw_params(pcm, sw);
    if (err >= 0) err = snd_pcm_prepare(pcm);
    return err;
}

}  // namespace

AlsaCapture::~AlsaCapture() { Close(); }

AlsaCapture::AlsaCapture(AlsaCapture&& other) noexcept { *this = std::move(other); }

AlsaCapture& AlsaCapture::operator=(AlsaCapture&& other) noexcept {
    if (this != &other) {
        Close();
        m_pcm = std::exchange(other.m_pcm, nullptr);
        m_nRate = other.m_nRate;
        m_nFrameBytes = other.m_nFrameBytes;
        m_nBufferFrames = other.m_nBufferFrames;
        m_waiting = std::move(other.m_waiting);
        m_nWaitingFrom = std::exchange(other.m_nWaitingFrom, 0);
        m_nWaitingFrames = std::exchange(other.m_nWaitingFrames, 0);
    }
    return *this;
}

int AlsaCapture::Open(const std::string& device, const AlsaCaptureFormat& format) {
    Close();
    if (format.rate == 0 || format.channels == 0 || (format.bits != 8 && format.bits != 16) ||
        format.periodFrames == 0 || format.periods == 0)
        return -EINVAL;
    RouteAlsaMessagesToTrace();
    // Non-blocking, so a device held by someone else fails at once instead of hanging.
    snd_pcm_t* pcm = nullptr;
    int err = snd_pcm_open(&pcm, device.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK);
    if (err < 0) return err;
    err = Configure(pcm, format);
    if (err < 0) {
        snd_pcm_close(pcm);
        return err;
    }
    m_pcm = pcm;
    m_nRate = format.rate;
    m_nFrameBytes = format.channels * format.bits / 8;
    snd_pcm_uframes_t buffer = 0, period = 0;
    if (snd_pcm_get_params(pcm, &buffer, &period) < 0 || buffer == 0) buffer = format.periodFrames * format.periods;
    m_nBufferFrames = buffer;
    m_waiting.assign(buffer * m_nFrameBytes, 0);
    m_nWaitingFrom = m_nWaitingFrames = 0;
    return 0;
}

long AlsaCapture::ReadAllThere() {
    const unsigned long chunk = m_nBufferFrames;
    m_nWaitingFrom = m_nWaitingFrames = 0;
    for (;;) {
        if (m_waiting.size() < (m_nWaitingFrames + chunk) * m_nFrameBytes) {
            if (m_nWaitingFrames + chunk > kMaxWaitingBuffers * chunk) return static_cast<long>(m_nWaitingFrames);
            m_waiting.resize((m_nWaitingFrames + chunk) * m_nFrameBytes);
        }
        const snd_pcm_sframes_t n = snd_pcm_readi(m_pcm, m_waiting.data() + m_nWaitingFrames * m_nFrameBytes, chunk);
        if (n == -EAGAIN || n == 0) return static_cast<long>(m_nWaitingFrames);
        // An error after some sound: that sound first, the error comes again at the next read.
        if (n < 0) return m_nWaitingFrames > 0 ? static_cast<long>(m_nWaitingFrames) : static_cast<long>(n);
        m_nWaitingFrames += static_cast<unsigned long>(n);
        if (static_cast<unsigned long>(n) < chunk) return static_cast<long>(m_nWaitingFrames);
    }
}

unsigned long AlsaCapture::TakeWaiting(std::uint8_t* out, unsigned long frames) {
    const unsigned long n = std::min(frames, m_nWaitingFrames - m_nWaitingFrom);
    std::memcpy(out, m_waiting.data() + m_nWaitingFrom * m_nFrameBytes, n * m_nFrameBytes);
    m_nWaitingFrom += n;
    if (m_nWaitingFrom == m_nWaitingFrames) m_nWaitingFrom = m_nWaitingFrames = 0;
    return n;
}

int AlsaCapture::Start() { return m_pcm ? snd_pcm_start(m_pcm) : -EBADFD; }

long AlsaCapture::Read(void* buffer, unsigned long frames, int timeoutMs) {
    if (!m_pcm) return -EBADFD;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    auto* out = static_cast<std::uint8_t*>(buffer);
    unsigned long total = TakeWaiting(out, frames);
    for (;;) {
        if (total == frames) return static_cast<long>(total);
        const long n = ReadAllThere();
        if (n < 0) return total > 0 ? static_cast<long>(total) : n;
        total += TakeWaiting(out + total * m_nFrameBytes, frames - total);
        const auto now = Clock::now();
        if (total == frames || now >= deadline) return static_cast<long>(total);
        // Sleep until the rest can be there, in steps no finer than devices
        // hand sound over. Polling the device is no good here: the pulse
        // plugin reports "ready" with nothing to read, which turns a wait into
        // a busy loop.
        const auto due = std::chrono::microseconds((frames - total) * 1000000ull / m_nRate + 2000);
        const Clock::duration step = std::max<Clock::duration>(due, std::chrono::milliseconds(3));
        std::this_thread::sleep_for(std::min<Clock::duration>(deadline - now, step));
    }
}

int AlsaCapture::Recover(int error) {
    if (!m_pcm) return -EBADFD;
    int err = snd_pcm_recover(m_pcm, error, 1);
    if (err < 0) return err;
    if (snd_pcm_state(m_pcm) == SND_PCM_STATE_PREPARED) err = snd_pcm_start(m_pcm);
    return err;
}

long AlsaCapture::Available() const {
    const snd_pcm_sframes_t available = m_pcm ? snd_pcm_avail(m_pcm) : 0;
    return (available > 0 ? static_cast<long>(available) : 0) + static_cast<long>(m_nWaitingFrames - m_nWaitingFrom);
}

long AlsaCapture::Delay() const {
    snd_pcm_sframes_t delay = 0;
    if (!m_pcm || snd_pcm_delay(m_pcm, &delay) < 0) return -1;
    return delay >= 0 ? static_cast<long>(delay) + static_cast<long>(m_nWaitingFrames - m_nWaitingFrom) : -1;
}

int AlsaCapture::Drop() {
    m_nWaitingFrom = m_nWaitingFrames = 0;
    return m_pcm ? snd_pcm_drop(m_pcm) : -EBADFD;
}

int AlsaCapture::Close() {
    m_nWaitingFrom = m_nWaitingFrames = 0;
    if (!m_pcm) return 0;
    const int err = snd_pcm_close(std::exchange(m_pcm, nullptr));
    return err;
}

std::string AlsaCapture::ErrorText(int error) { return snd_strerror(error); }

}  // namespace kv
