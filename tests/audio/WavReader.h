#pragma once
// Reads back a WAV file the way the tests check it: the raw header fields and
// the samples as numbers.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kvtest {

struct WavContents {
    std::vector<std::uint8_t> bytes;  // the whole file
    std::uint32_t U32(std::size_t offset) const;
    std::uint16_t U16(std::size_t offset) const;
    std::string Tag(std::size_t offset) const;

    std::uint16_t Channels() const { return U16(22); }
    std::uint32_t Rate() const { return U32(24); }
    std::uint16_t Bits() const { return U16(34); }
    std::uint32_t DataSize() const { return U32(42); }
    std::uint64_t Frames() const { return DataSize() / (Channels() * Bits() / 8u); }
    double Seconds() const { return static_cast<double>(Frames()) / Rate(); }
    // One channel as numbers around 0 (8-bit samples are shifted down by 128).
    std::vector<int> Channel(unsigned channel) const;
    // All 16-bit samples, interleaved.
    std::vector<std::int16_t> Samples16() const;
};

WavContents ReadWav(const std::filesystem::path& file);

// Upward zero crossings per second of one channel.
double ToneFrequency(const WavContents& wav, unsigned channel = 0);

}  // namespace kvtest
