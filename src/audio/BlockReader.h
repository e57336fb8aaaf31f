#pragma once
// Where the capture thread gets its sound: the ALSA device while it works,
// then silence at the device's pace once it has failed (gone, unplugged,
// stalled), so the sound track keeps the length of the picture. When the
// device starts late or loses sound in an overrun, the missing time is filled
// with silence too, so what follows stays in step with the picture.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sound/SoundInput.h"

namespace kv {

class CBlockReader {
public:
    using Clock = std::chrono::steady_clock;

    // `silence` is the byte value of silent sound (0x80 for 8-bit, 0 for 16-bit).
    CBlockReader(SoundInput& device, unsigned rate, unsigned blockAlign, std::uint8_t silence,
                 Clock::time_point start);

    // Reads at most `frames` frames into `dst`, waiting at most `timeoutMs`;
    // 0 when nothing came in time. Never fails: overruns are recovered, and a
    // device that cannot go on is closed and replaced by silence.
    long Read(std::uint8_t* dst, unsigned long frames, int timeoutMs);

    bool DeviceLost() const { return m_bLost; }
    // Why the device was given up, with the time into the recording.
    const std::string& LostReason() const { return m_strLostReason; }
    std::uint64_t Frames() const { return m_nFrames; }
    // Frames captured after the last one handed out (what the device holds,
    // and silence and frames still waiting here); -1 when unknown.
    long Delay() const;
    // Frames at hand for the next Read without waiting for the device.
    long Held() const { return m_bLost ? 0 : m_device.Held() + static_cast<long>(m_nSilenceOwed + m_nHeldFrames); }
    // The device's buffer: no more than this can wait in it.
    void SetBufferFrames(long frames) { m_nMaxDelay = frames; }
    // Frames that wall time since the start calls for.
    std::uint64_t Due() const;

    // No sound for this long from a running device counts as a lost device.
    static constexpr std::chrono::milliseconds kStallLimit{3000};

private:
    long ReadDevice(std::uint8_t* dst, unsigned long frames, int timeoutMs);
    long ReadInStep(std::uint8_t* dst, unsigned long frames, int timeoutMs);
    long Owed(std::uint8_t* dst, unsigned long frames);
    // Frames by which the sound lags wall time, once `fresh` frames have just been read.
    long long Lag(long fresh) const;
    long ReadSilence(std::uint8_t* dst, unsigned long frames, int timeoutMs);
    void GiveUp(const std::string& what);

    SoundInput& m_device;
    unsigned m_nRate;
    unsigned m_nBlockAlign;
    std::uint8_t m_nSilence;
    Clock::time_point m_tStart;
    Clock::time_point m_tLastSound;
    std::uint64_t m_nFrames = 0;
    bool m_bLost = false;
    bool m_bCheckLag = true;                 // at the first sound, and after each recovery
    std::uint64_t m_nSilenceOwed = 0;        // silence to hand out before the held frames
    std::vector<std::uint8_t> m_held;        // device frames waiting behind that silence
    std::size_t m_nHeldFrames = 0;
    std::string m_strLostReason;
    long m_nMaxDelay = 1L << 30;
};

}  // namespace kv
