#pragma once
// Tells whether the first seconds of a capture were digital silence (every
// sample exactly zero: a muted or unplugged input, a monitor of an idle
// output), so the user can be told the video will have no audible sound.
#include <cstddef>
#include <cstdint>

namespace kv {

class SilenceWatch {
public:
    // Starts over for samples of `bits` (8 unsigned, 16 signed) in frames of
    // `channels`, judging the first `seconds` at `rate` frames per second.
    void Reset(unsigned rate, unsigned channels, unsigned bits, double seconds);
    // The next captured bytes, in order.
    void Feed(const std::uint8_t* data, std::size_t bytes);
    // True once the whole judged stretch has arrived and held only silence.
    bool Silent() const { return !m_heard && m_bytesSeen >= m_bytesJudged && m_bytesJudged > 0; }

private:
    std::size_t m_bytesJudged = 0;
    std::size_t m_bytesSeen = 0;
    unsigned m_bits = 16;
    bool m_heard = false;
};

}  // namespace kv
