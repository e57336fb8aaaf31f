#include "WavReader.h"

#include <fstream>
#include <iterator>

namespace kvtest {

std::uint32_t WavContents::U32(std::size_t o) const {
    return bytes.size() < o + 4 ? 0 : bytes[o] | bytes[o + 1] << 8 | bytes[o + 2] << 16 | static_cast<std::uint32_t>(bytes[o + 3]) << 24;
}
std::uint16_t WavContents::U16(std::size_t o) const {
    return bytes.size() < o + 2 ? 0 : static_cast<std::uint16_t>(bytes[o] | bytes[o + 1] << 8);
}
std::string WavContents::Tag(std::size_t o) const {
    return bytes.size() < o + 4 ? std::string() : std::string(bytes.begin() + static_cast<long>(o), bytes.begin() + static_cast<long>(o) + 4);
}

std::vector<int> WavContents::Channel(unsigned channel) const {
    std::vector<int> values;
    const unsigned width = Bits() / 8u, frameBytes = width * Channels();
    for (std::uint64_t f = 0; f < Frames(); ++f) {
        const std::size_t at = 46 + f * frameBytes + channel * width;
        values.push_back(width == 1 ? bytes[at] - 128 : static_cast<std::int16_t>(U16(at)));
    }
    return values;
}

std::vector<std::int16_t> WavContents::Samples16() const {
    std::vector<std::int16_t> values;
    for (std::size_t at = 46; at + 1 < 46 + DataSize(); at += 2) values.push_back(static_cast<std::int16_t>(U16(at)));
    return values;
}

WavContents ReadWav(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    WavContents wav;
    wav.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return wav;
}

double ToneFrequency(const WavContents& wav, unsigned channel) {
    const auto values = wav.Channel(channel);
    long first = -1, last = -1, crossings = 0;
    for (std::size_t i = 1; i < values.size(); ++i) {
        if (values[i - 1] < 0 && values[i] >= 0) {
            if (first < 0) first = static_cast<long>(i);
            else ++crossings;
            last = static_cast<long>(i);
        }
    }
    if (crossings == 0) return 0.0;
    // Whole periods between the first and the last upward crossing.
    return crossings * static_cast<double>(wav.Rate()) / static_cast<double>(last - first);
}

}  // namespace kvtest
