#include "audio/AudioFormat.h"

#include <strings.h>

#include <string>

#include "app/core/SettingsCatalogue.h"

namespace kv {

int g_nAudioSampleRate = 8000;
int g_nAudioChannels = 2;
int g_nAudioBits = 16;

namespace {

void Put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, static_cast<std::uint16_t>(v));
    Put16(p + 2, static_cast<std::uint16_t>(v >> 16));
}
std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Get32(const std::uint8_t* p) { return Get16(p) | (static_cast<std::uint32_t>(Get16(p + 2)) << 16); }

// `count` characters from `start`, clipped to the text; empty for a negative
// start or count (the way a string's Mid behaves).
std::string_view Mid(std::string_view text, long start, long count) {
    if (start < 0 || count <= 0 || start >= static_cast<long>(text.size())) return {};
    return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(count));
}

struct FieldValue {
    const char* text;
    int value;
};
constexpr FieldValue kRates[] = {{"11.025 kHz", 11025}, {"22.05 kHz", 22050}, {"44.1 kHz", 44100}};
constexpr FieldValue kChannels[] = {{"mono", 1}, {"stereo", 2}};
constexpr FieldValue kBits[] = {{"8-bit", 8}, {"16-bit", 16}};

template <std::size_t N>
void Match(std::string_view field, const FieldValue (&values)[N], int& number) {
    for (const auto& v : values) {
        if (field.size() == std::char_traits<char>::length(v.text) &&
            strncasecmp(field.data(), v.text, field.size()) == 0) {
            number = v.value;
            return;
        }
    }
}

}  // namespace

std::array<std::uint8_t, PcmFormat::kSize> PcmFormat::ToBytes() const {
    std::array<std::uint8_t, kSize> b{};
    Put16(&b[0], wFormatTag);
    Put16(&b[2], nChannels);
    Put32(&b[4], nSamplesPerSec);
    Put32(&b[8], nAvgBytesPerSec);
    Put16(&b[12], nBlockAlign);
    Put16(&b[14], wBitsPerSample);
    Put16(&b[16], cbSize);
    return b;
}

PcmFormat PcmFormat::FromBytes(const std::uint8_t* b) {
    PcmFormat f;
    f.wFormatTag = Get16(&b[0]);
    f.nChannels = Get16(&b[2]);
    f.nSamplesPerSec = Get32(&b[4]);
    f.nAvgBytesPerSec = Get32(&b[8]);
    f.nBlockAlign = Get16(&b[12]);
    f.wBitsPerSample = Get16(&b[14]);
    f.cbSize = Get16(&b[16]);
    return f;
}

PcmFormat MakePcmFormat(int samplesPerSec, int channels, int bitsPerSample) {
    PcmFormat f;
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = static_cast<std::uint16_t>(channels);
    f.nSamplesPerSec = static_cast<std::uint32_t>(samplesPerSec);
    f.wBitsPerSample = static_cast<std::uint16_t>(bitsPerSample);
    f.nBlockAlign = static_cast<std::uint16_t>(bitsPerSample / 8 * channels);
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    f.cbSize = 0;
    return f;
}

void ParseAudioProperties(std::string_view text, int& sampleRate, int& channels, int& bits) {
    const long length = static_cast<long>(text.size());
    const auto find = [&](long from) -> long {
        if (from < 0 || from >= length) return -1;
        const auto at = text.find(',', static_cast<std::size_t>(from));
        return at == std::string_view::npos ? -1 : static_cast<long>(at);
    };
    // Each field starts two characters after its comma (the comma and one blank).
    const long b = find(0);
    const long c = find(b + 1);
    const std::string_view first = b < 0 ? std::string_view{} : text.substr(0, static_cast<std::size_t>(b));
    const std::string_view second = Mid(text, b + 2, c - b - 2);
    const std::string_view third = Mid(text, c + 2, length);
    Match(first, kRates, sampleRate);
    Match(second, kChannels, channels);
    Match(third, kBits, bits);
}

PcmFormat BuildRecordingFormat() {
    ParseAudioProperties(settings::AudioProperties.Get(), g_nAudioSampleRate, g_nAudioChannels, g_nAudioBits);
    return MakePcmFormat(g_nAudioSampleRate, g_nAudioChannels, g_nAudioBits);
}

}  // namespace kv
