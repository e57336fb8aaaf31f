#include "audio/SilenceWatch.h"

#include <algorithm>

namespace kv {

void SilenceWatch::Reset(unsigned rate, unsigned channels, unsigned bits, double seconds) {
    const std::size_t frameBytes = static_cast<std::size_t>(channels) * (bits / 8);
    m_bytesJudged = static_cast<std::size_t>(rate * seconds) * frameBytes;
    m_bytesSeen = 0;
    m_bits = bits;
    m_heard = false;
}

void SilenceWatch::Feed(const std::uint8_t* data, std::size_t bytes) {
    if (m_heard || m_bytesSeen >= m_bytesJudged || !data) return;
    const std::size_t judged = std::min(bytes, m_bytesJudged - m_bytesSeen);
    // 8-bit samples are unsigned, centred on 128; 16-bit ones signed, on 0.
    const std::uint8_t quiet = m_bits == 8 ? 128 : 0;
    m_heard = std::any_of(data, data + judged, [quiet](std::uint8_t b) { return b != quiet; });
    m_bytesSeen += judged;
}

}  // namespace kv
