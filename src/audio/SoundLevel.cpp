#include "audio/SoundLevel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace kv {

float PeakLevel(const void* data, std::size_t bytes, unsigned bits) {
    if (!data) return 0.0f;
    const auto* p = static_cast<const std::uint8_t*>(data);
    int peak = 0;
    if (bits == 8) {
        for (std::size_t i = 0; i < bytes; ++i) peak = std::max(peak, std::abs(int(p[i]) - 128));
        return peak / 128.0f;
    }
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        std::int16_t sample;
        std::memcpy(&sample, p + i, 2);  // little-endian, as the capture delivers it
        peak = std::max(peak, std::abs(int(sample)));
    }
    return peak / 32768.0f;
}

int MeterPercent(float peak) {
    if (!(peak > 0.0f)) return 0;
    const double db = 20.0 * std::log10(std::min(peak, 1.0f));
    // The quietest sound that is not digital silence still moves the meter.
    return std::clamp(static_cast<int>(std::lround(100.0 + db * 100.0 / 60.0)), 1, 100);
}

void PeakHold::Note(float peak) {
    float seen = m_peak.load();
    while (peak > seen && !m_peak.compare_exchange_weak(seen, peak)) {
    }
}

}  // namespace kv
