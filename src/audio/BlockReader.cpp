#include "audio/BlockReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/core/Trace.h"

namespace kv {

CBlockReader::CBlockReader(SoundInput& device, unsigned rate, unsigned blockAlign, std::uint8_t silence,
                           Clock::time_point start)
    : m_device(device), m_nRate(rate), m_nBlockAlign(blockAlign), m_nSilence(silence), m_tStart(start), m_tLastSound(start) {}

long CBlockReader::Read(std::uint8_t* dst, unsigned long frames, int timeoutMs) {
    long n = m_bLost ? ReadSilence(dst, frames, timeoutMs) : Owed(dst, frames);
    if (n == 0 && !m_bLost) n = ReadInStep(dst, frames, timeoutMs);
    if (n > 0) m_nFrames += static_cast<std::uint64_t>(n);
    return n;
}

std::uint64_t CBlockReader::Due() const {
    const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - m_tStart).count();
    return static_cast<std::uint64_t>(std::max<long long>(elapsed, 0)) * m_nRate / 1000000u;
}

long CBlockReader::Delay() const {
    if (m_bLost) return 0;  // silence is handed out as it falls due
    // What the device reports beyond its own buffer (the sound server's
    // latency, wild while a fresh server settles) is left out: a steady part
    // of it shifts nothing, and an unsteady one would be taken for drift.
    long device = m_device.Delay();
    if (device < 0) device = 0;
    device = std::min(device, m_nMaxDelay);
    // Nor, in the first second, can more be waiting than was captured since
    // the device was started: a sound server settling in overstates its
    // latency, which would put the first sound before the start. (Later the
    // device's own clock may run ahead of ours, and wall time is no bound.)
    const long owed = static_cast<long>(m_nSilenceOwed + m_nHeldFrames);
    if (m_nFrames < m_nRate) {
        const long long since = static_cast<long long>(Due()) - static_cast<long long>(m_nFrames);
        device = static_cast<long>(std::clamp<long long>(since - owed, 0, device));
    }
    return device + owed;
}

long long CBlockReader::Lag(long fresh) const {
    return static_cast<long long>(Due()) - static_cast<long long>(m_nFrames) - fresh - m_device.Available();
}

// Silence owed for a gap, then the frames that were read after the gap.
long CBlockReader::Owed(std::uint8_t* dst, unsigned long frames) {
    if (m_nSilenceOwed > 0) {
        const auto n = std::min<std::uint64_t>(m_nSilenceOwed, frames);
        std::memset(dst, m_nSilence, n * m_nBlockAlign);
        m_nSilenceOwed -= n;
        return static_cast<long>(n);
    }
    if (m_nHeldFrames == 0) return 0;
    const auto n = std::min<std::size_t>(m_nHeldFrames, frames);
    std::memcpy(dst, m_held.data(), n * m_nBlockAlign);
    std::memmove(m_held.data(), m_held.data() + n * m_nBlockAlign, (m_nHeldFrames - n) * m_nBlockAlign);
    m_nHeldFrames -= n;
    return static_cast<long>(n);
}

long CBlockReader::ReadInStep(std::uint8_t* dst, unsigned long frames, int timeoutMs) {
    const long n = ReadDevice(dst, frames, timeoutMs);
    if (n <= 0 || !m_bCheckLag) return n;
    m_bCheckLag = false;
    // A little lag is the device's own latency; more means sound that never
    // came (a slow start, an overrun). Put silence in its place.
    const long long lag = Lag(n);
    if (lag * 10 <= static_cast<long long>(m_nRate)) return n;
    m_nSilenceOwed = static_cast<std::uint64_t>(lag - m_nRate / 50);
    TraceF("CBlockReader : %llu ms of sound missing, filled with silence", m_nSilenceOwed * 1000ull / m_nRate);
    m_held.assign(dst, dst + n * m_nBlockAlign);
    m_nHeldFrames = static_cast<std::size_t>(n);
    return Owed(dst, frames);
}

long CBlockReader::ReadDevice(std::uint8_t* dst, unsigned long frames, int timeoutMs) {
    long n = m_device.Read(dst, frames, timeoutMs);
    if (n == -EPIPE || n == -ESTRPIPE || n == -EINTR) {
        TraceF("CBlockReader : %s, recovering", AlsaCapture::ErrorText(static_cast<int>(n)).c_str());
        const int err = m_device.Recover(static_cast<int>(n));
        if (err < 0) {
            GiveUp(AlsaCapture::ErrorText(err));
            return 0;
        }
        m_bCheckLag = true;
        n = 0;
    } else if (n < 0) {
        GiveUp(AlsaCapture::ErrorText(static_cast<int>(n)));
        return 0;
    }
    const auto now = Clock::now();
    if (n > 0) {
        m_tLastSound = now;
    } else if (now - m_tLastSound > kStallLimit) {
        GiveUp("no sound came from the device for 3 s");
    }
    return n;
}

long CBlockReader::ReadSilence(std::uint8_t* dst, unsigned long frames, int timeoutMs) {
    // Hand out as many frames as wall time since the start calls for.
    const auto due = [&]() -> std::uint64_t {
        const auto total = Due();
        return total > m_nFrames ? total - m_nFrames : 0;
    };
    auto ready = due();
    if (ready == 0) {
        const auto wait = std::min<long long>(timeoutMs, 1000LL * frames / m_nRate + 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(wait));
        ready = due();
    }
    const auto n = std::min<std::uint64_t>(ready, frames);
    std::memset(dst, m_nSilence, n * m_nBlockAlign);
    return static_cast<long>(n);
}

void CBlockReader::GiveUp(const std::string& what) {
    const double seconds = std::chrono::duration<double>(Clock::now() - m_tStart).count();
    char text[256];
    std::snprintf(text, sizeof text, "the sound device failed %.1f s into the recording (%s)", seconds, what.c_str());
    m_strLostReason = text;
    m_bLost = true;
    m_device.Drop();
    m_device.Close();
    TraceF("CBlockReader : %s; the rest of the sound is silence", text);
}

}  // namespace kv
