#pragma once
// The PCM format record of a capture and the quality texts the user chooses
// from ("44.1 kHz, stereo, 16-bit").
#include <array>
#include <cstdint>
#include <string_view>

namespace kv {

inline constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

// The 18-byte wave format record, field by field; ToBytes gives the exact
// little-endian layout that the WAV file carries.
struct PcmFormat {
    std::uint16_t wFormatTag = WAVE_FORMAT_PCM;
    std::uint16_t nChannels = 1;
    std::uint32_t nSamplesPerSec = 22050;
    std::uint32_t nAvgBytesPerSec = 44100;
    std::uint16_t nBlockAlign = 2;
    std::uint16_t wBitsPerSample = 16;
    std::uint16_t cbSize = 0;

    static constexpr std::size_t kSize = 18;
    std::array<std::uint8_t, kSize> ToBytes() const;
    static PcmFormat FromBytes(const std::uint8_t* bytes);
    bool operator==(const PcmFormat&) const = default;
};

// PCM with block align and bytes per second derived from the three numbers.
PcmFormat MakePcmFormat(int samplesPerSec, int channels, int bitsPerSample);

// Splits "<rate>, <channels>, <bits>" and sets each of the three numbers
// whose field it recognises (letter case ignored); the others keep their
// value. Any text is safe, however malformed.
void ParseAudioProperties(std::string_view text, int& sampleRate, int& channels, int& bits);

// The capture engine's parsed values: 8000, 2 and 16 in a fresh process,
// then whatever was last parsed.
extern int g_nAudioSampleRate;
extern int g_nAudioChannels;
extern int g_nAudioBits;

// Reads AudioProperties (capture default "11.025 kHz, stereo, 16-bit"),
// parses it into the engine's values and returns the format built from them.
PcmFormat BuildRecordingFormat();

}  // namespace kv
