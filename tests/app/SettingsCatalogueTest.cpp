#include <gtest/gtest.h>

#include <set>

#include "app/core/RegSettings.h"
#include "app/core/SettingsCatalogue.h"
#include "support/TempDir.h"

using namespace kv;

// Keys and defaults are read by many parts of the program at different
// times; a misspelt key or a wrong default would only show as a video made
// with the wrong settings. This table is the documented catalogue.
TEST(SettingsCatalogue, KeysAndDefaultsAreTheDocumentedOnes) {
    kvtest::ScopedRegistry registry;
    struct Number {
        const settings::NumberSetting& setting;
        const char* section;
        const char* name;
        std::uint32_t value;
    };
    const Number numbers[] = {
        {settings::FrameRate, "AVSettings", "FrameRate", 5},
        {settings::QualityFactor, "AVSettings", "QualityFactor", 80},
        {settings::Resolution, "AVSettings", "Resolution", 5},
        {settings::ResolutionWidth, "AVSettings", "ResolutionWidth", 320},
        {settings::ResolutionHeight, "AVSettings", "ResolutionHeight", 240},
        {settings::CaptureSound, "AVSettings", "CaptureSound", 1},
        {settings::SoundDevice, "AVSettings", "SoundDevice", 0},
        {settings::AudioChannels, "AVSettings", "AudioChannels", 1},
        {settings::BitRate, "AVSettings", "BitRate", 128},
        {settings::SlideShowCaptureMode, "PowerPointSettings", "SlideShowCaptureMode", 1},
        {settings::TimeinSec, "PowerPointSettings", "TimeinSec", 0},
        {settings::MouseCapture, "PowerPointSettings", "MouseCapture", 0},
        {settings::FastRender, "PowerPointSettings", "FastRender", 0},
        {settings::SupportPowerPlugs, "PowerPointSettings", "SupportPowerPlugs", 0},
        {settings::DeleteIntermediateFile, "PowerPointSettings", "DeleteIntermediateFile", 1},
        {settings::RunVideo, "Finish", "RunVideo", 1},
    };
    struct Text {
        const settings::StringSetting& setting;
        const char* section;
        const char* name;
        const char* value;
    };
    const Text texts[] = {
        {settings::PowerPointFileName, "File Properties", "PowerPointFileName", ""},
        {settings::AVIVideoFileName, "File Properties", "AVIVideoFileName", ""},
        {settings::OutputFormat, "AVSettings", "OutputFormat", "AVI"},
        {settings::OutputFileName, "AVSettings", "OutputFileName", ""},
        {settings::VideoCompression, "AVSettings", "VideoCompression", "Microsoft MPEG-4 Video Codec V1"},
        {settings::AudioProperties, "AVSettings", "AudioProperties", "11.025 kHz, stereo, 16-bit"},
    };
    EXPECT_STREQ(settings::kOutputFormatDefaultInConversion, "");
    EXPECT_STREQ(settings::kAudioPropertiesDefaultInConversion, "44.1 kHz, stereo, 16-bit");
    EXPECT_EQ(settings::kCaptureSoundDefaultInCaptureLoop, 0u);

    std::set<std::string> keys;
    CRegSettings store;
    for (const auto& [setting, section, name, value] : numbers) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(keys.insert(std::string(section) + "\\" + name).second);
        EXPECT_EQ(setting.Get(), value);
        EXPECT_EQ(setting.Set(value + 7), 1);
        EXPECT_EQ(store.GetDWORD(section, name, value), value + 7);
        EXPECT_EQ(setting.GetOr(12345), value + 7);
    }
    for (const auto& [setting, section, name, value] : texts) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(keys.insert(std::string(section) + "\\" + name).second);
        EXPECT_EQ(setting.Get(), value);
        EXPECT_EQ(setting.Set("changed"), 1);
        EXPECT_EQ(store.GetString(section, name, value), "changed");
    }
}
