#include "app/wizard/AudioChoice.h"

#include "app/wizard/FormatTables.h"

namespace kv::wizard {

AudioValues DeriveAudioValues(int channelIndex, int qualityIndex, const std::string& formatName) {
    static const struct {
        const char* rate;
        std::uint32_t bitRate;
    } quality[] = {{"11.025 kHz", 128}, {"22.05 kHz", 256}, {"44.1 kHz", 320}};
    const char* kMpegSound = "44.1 kHz, stereo, 16-bit";

    AudioValues values;
    const bool stereo = channelIndex == 1;
    values.channels = stereo ? 1 : 0;
    if (qualityIndex >= 0 && qualityIndex <= 2) {
        values.properties = std::string(quality[qualityIndex].rate) + (stereo ? ", stereo" : ", mono") + ", 16-bit";
        values.bitRate = quality[qualityIndex].bitRate;
    } else {
        values.properties = kMpegSound;
        values.bitRate = 128;
    }
    if (IsMpegFormat(formatName)) values.properties = kMpegSound;
    return values;
}

}  // namespace kv::wizard
