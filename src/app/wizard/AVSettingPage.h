#pragma once
// The Audio and Video pages: their lists, how they load from the settings,
// how they follow the output format, and the values Convert stores.
#include <string>
#include <vector>

#include "app/wizard/AudioChoice.h"
#include "app/wizard/FormatTables.h"
#include "app/wizard/WizardControls.h"
#include "app/wizard/WizardSources.h"
#include "platform/sound/AlsaCapture.h"

namespace kv::wizard {

class CAVSettingPage {
public:
    // `largest`: the largest capture size the screen records, offered as the screen's entry.
    CAVSettingPage(WizardControls& controls, WizardState& state, WizardSources& sources, Size screen, Size largest);

    PageView AudioView() const;
    PageView VideoView() const;

    // Audio page (AudioSettings.cpp).
    void EnumerateAudioDevicesT();
    void LoadAudioSettingsT();
    void CheckSoundDeviceT();
    void ToggleRecordSound();
    void OnQualityChange();
    int DeviceIndex() const;
    AudioValues Audio() const;
    // What the live check listens to: the chosen entry's device (empty when
    // none is chosen), in the format the current choice would record.
    std::string ChosenDevice() const;
    AlsaCaptureFormat SoundCheckFormat() const;

    // Video page (VideoSettings.cpp).
    void FillFormatList();
    void FillCodecList();
    void LoadFormatAndCodec();
    void OnFormatChange();
    void UpdateCustomSize();
    bool IsCustomChosen() const;
    Size CaptureSize() const;
    int FormatIndex() const;
    std::string FormatText() const;
    int FrameRate() const;
    std::string CodecText() const;
    int ResolutionIndex() const;
    bool NotesAsSubtitles() const;
    // The output file path: `folder` joined with the intermediate file's name
    // and the chosen format's extension.
    bool GetOutPutFileName(const std::string& aviPath, std::string& folder) const;

    // Room in the device table; further devices are left out.
    static constexpr size_t kMaxAudioDevices = 19;
    static constexpr size_t kMaxCompressors = 30;

private:
    void SelectFrameRate();
    void SelectResolution();

    WizardControls& m_controls;
    WizardState& m_state;
    WizardSources& m_sources;
    std::vector<CaptureDeviceEntry> m_devices;  // the device list's entries, in order
    Size m_screen;
    Size m_largest;
};

}  // namespace kv::wizard
