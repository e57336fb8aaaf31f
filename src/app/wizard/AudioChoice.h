#pragma once
// The sound settings that Convert stores, derived from the channel and
// quality choice and the output format.
#include <cstdint>
#include <string>

namespace kv::wizard {

struct AudioValues {
    std::string properties;  // "AudioProperties"
    std::uint32_t bitRate = 128;
    std::uint32_t channels = 1;  // "AudioChannels": 1 stereo, 0 mono
};

// `channelIndex`: 1 is "Stereo"; `qualityIndex`: 0 "Good", 1 "Better",
// 2 "Best", anything else none chosen.
AudioValues DeriveAudioValues(int channelIndex, int qualityIndex, const std::string& formatName);

}  // namespace kv::wizard
