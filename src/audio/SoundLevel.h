#pragma once
// How loud a stretch of captured sound is, for the level meters of the Audio
// page and of the recording window's toolbar.
#include <atomic>
#include <cstddef>

namespace kv {

// The largest sample of interleaved 8-bit unsigned or 16-bit signed samples,
// as a share of full scale: 0 for digital silence (every sample exactly at
// rest), 1 for a sample at full scale.
float PeakLevel(const void* data, std::size_t bytes, unsigned bits);

// Where a meter shows `peak`, in percent: -60 dBFS to full scale spread over
// 1 to 100, anything quieter at 1, so only digital silence leaves it at 0.
int MeterPercent(float peak);

// The loudest peak since the meter last looked: the capture thread raises
// it with each block, the meter takes it (and so starts it over), so a
// short sound between two looks is not missed.
class PeakHold {
public:
    void Note(float peak);
    float Take() { return m_peak.exchange(0.0f); }

private:
    std::atomic<float> m_peak{0.0f};
};

}  // namespace kv
