#pragma once
// Sound in, the same sound out, stretched or squeezed by a few samples when
// asked (libswresample's compensation): how a sound track is kept exactly as
// long as the recording clock says without audible jumps.
#include <cstdint>
#include <memory>
#include <vector>

struct SwrContext;

namespace kv::media {

class SoundResampler {
public:
    SoundResampler() = default;
    ~SoundResampler();
    SoundResampler(const SoundResampler&) = delete;
    SoundResampler& operator=(const SoundResampler&) = delete;

    // Interleaved 8-bit unsigned or 16-bit signed frames at `rate`; false
    // when the library refuses.
    bool Open(unsigned rate, unsigned channels, unsigned bits);
    // Appends to `out` what `frames` frames of `in` give.
    bool Convert(const std::uint8_t* in, std::size_t frames, std::vector<std::uint8_t>& out);
    // Over the next `distance` frames, `delta` frames are added (negative:
    // taken out). A new call replaces the previous one.
    bool Compensate(int delta, int distance);
    // Frames taken in but not given out yet.
    long Held() const;
    // Appends the frames still held inside.
    void Flush(std::vector<std::uint8_t>& out);

private:
    SwrContext* m_swr = nullptr;
    unsigned m_nFrameBytes = 0;
    unsigned m_nRate = 0;
};

}  // namespace kv::media
