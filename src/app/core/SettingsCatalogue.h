#pragma once
// Every setting the program keeps: section, name, type and default, in one
// place. Code reads and writes settings only through these, so no key or
// default is spelt twice. Each read goes to the store (no cached copy).
#include <cstdint>
#include <string>

namespace kv::settings {

struct StringSetting {
    const char* section;
    const char* name;
    const char* defaultValue;

    std::string Get() const;                          // with the usual default
    std::string GetOr(const char* otherDefault) const;  // a reader with a default of its own
    int Set(const std::string& text) const;
};

struct NumberSetting {
    const char* section;
    const char* name;
    std::uint32_t defaultValue;

    std::uint32_t Get() const;
    std::uint32_t GetOr(std::uint32_t otherDefault) const;
    int Set(std::uint32_t number) const;
};

inline constexpr const char* kFileProperties = "File Properties";
inline constexpr const char* kAVSettings = "AVSettings";
inline constexpr const char* kPowerPointSettings = "PowerPointSettings";
inline constexpr const char* kFinish = "Finish";

// File Properties
inline constexpr StringSetting PowerPointFileName{kFileProperties, "PowerPointFileName", ""};
inline constexpr StringSetting AVIVideoFileName{kFileProperties, "AVIVideoFileName", ""};

// AVSettings
inline constexpr StringSetting OutputFormat{kAVSettings, "OutputFormat", "AVI"};  // the wizard's default
inline constexpr const char* kOutputFormatDefaultInConversion = "";
inline constexpr StringSetting OutputFileName{kAVSettings, "OutputFileName", ""};
inline constexpr StringSetting VideoCompression{kAVSettings, "VideoCompression", "Microsoft MPEG-4 Video Codec V1"};
inline constexpr NumberSetting FrameRate{kAVSettings, "FrameRate", 5};
inline constexpr NumberSetting QualityFactor{kAVSettings, "QualityFactor", 80};
inline constexpr NumberSetting Resolution{kAVSettings, "Resolution", 5};
inline constexpr NumberSetting ResolutionWidth{kAVSettings, "ResolutionWidth", 320};
inline constexpr NumberSetting ResolutionHeight{kAVSettings, "ResolutionHeight", 240};
inline constexpr NumberSetting CaptureSound{kAVSettings, "CaptureSound", 1};  // the wizard's default
// Not 0: each slide's speaker notes become a subtitle cue while it is shown.
inline constexpr NumberSetting NotesSubtitles{kAVSettings, "NotesSubtitles", 0};
inline constexpr std::uint32_t kCaptureSoundDefaultInCaptureLoop = 0;
inline constexpr NumberSetting SoundDevice{kAVSettings, "SoundDevice", 0};
inline constexpr NumberSetting AudioChannels{kAVSettings, "AudioChannels", 1};
inline constexpr StringSetting AudioProperties{kAVSettings, "AudioProperties", "11.025 kHz, stereo, 16-bit"};  // audio capture's default
inline constexpr const char* kAudioPropertiesDefaultInConversion = "44.1 kHz, stereo, 16-bit";
inline constexpr NumberSetting BitRate{kAVSettings, "BitRate", 128};

// PowerPointSettings
inline constexpr NumberSetting SlideShowCaptureMode{kPowerPointSettings, "SlideShowCaptureMode", 1};
inline constexpr NumberSetting TimeinSec{kPowerPointSettings, "TimeinSec", 0};
inline constexpr NumberSetting MouseCapture{kPowerPointSettings, "MouseCapture", 0};
// 1: what the deck links to is fetched (it is trusted)
inline constexpr NumberSetting AllowLinkedContent{kPowerPointSettings, "AllowLinkedContent", 0};
inline constexpr NumberSetting FastRender{kPowerPointSettings, "FastRender", 0};  // 1: the office draws the slides, no show is recorded
inline constexpr NumberSetting SupportPowerPlugs{kPowerPointSettings, "SupportPowerPlugs", 0};
inline constexpr NumberSetting DeleteIntermediateFile{kPowerPointSettings, "DeleteIntermediateFile", 1};

// Finish
inline constexpr NumberSetting RunVideo{kFinish, "RunVideo", 1};

}  // namespace kv::settings
