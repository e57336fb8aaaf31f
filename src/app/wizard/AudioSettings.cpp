// The Audio page of CAVSettingPage.
#include "app/core/SettingsCatalogue.h"
#include "app/wizard/AVSettingPage.h"
#include "app/wizard/WizardLayout.h"
#include "audio/AudioFormat.h"
#include "platform/core/Trace.h"

namespace kv::wizard {
namespace {
const RowBitmaps kRecordOn{225, 227, 242, 241};
const RowBitmaps kRecordOff{226, 224, 242, 241};
const RowBitmaps kQualityRow{283, 282, 319, 318};
}  // namespace

CAVSettingPage::CAVSettingPage(WizardControls& controls, WizardState& state, WizardSources& sources, Size screen,
                               Size largest)
    : m_controls(controls), m_state(state), m_sources(sources), m_screen(screen), m_largest(largest) {}

PageView CAVSettingPage::AudioView() const {
    PageView view;
    view.banner = 298;
    view.rows[0] = m_state.recordSound ? kRecordOn : kRecordOff;
    view.rows[1] = {229, 228, 238, 237};
    view.rows[2] = {231, 230, 240, 239};
    view.rows[3] = kQualityRow;
    // The silence notice is shown by the live check, when it has heard nothing.
    view.valueControls = {IDC_AUDIO_CHANNELS, IDC_AUDIO_DEVICE, IDC_AUDIO_QUALITY, IDC_SOUND_LEVEL};
    return view;
}

void CAVSettingPage::EnumerateAudioDevicesT() {
    Trace("start EnumerateAudioDevicesT()");
    std::vector<std::string> names;
    std::vector<CaptureDeviceEntry> devices;
    for (const auto& device : m_sources.CaptureDevices()) {
        if (devices.size() >= kMaxAudioDevices) break;
        // Two devices of the same name appear once.
        if (FindStringFrom(names, -1, device.name) >= 0) continue;
        names.push_back(device.name);
        devices.push_back(device);
    }
    auto* list = m_controls.Combo(IDC_AUDIO_DEVICE);
    WizardControls::Fill(list, names);
    for (int i = 0; i < static_cast<int>(devices.size()); ++i)
        list->setItemData(i, QString::fromStdString(devices[i].detail), Qt::ToolTipRole);
    m_sources.SetAudioDeviceTable(devices);
    m_devices = devices;
    Trace("End EnumerateAudioDevicesT()");
}

void CAVSettingPage::LoadAudioSettingsT() {
    Trace("start LoadAudioSettingsT()");
    m_state.recordSound = settings::CaptureSound.Get() != 0;
    auto* devices = m_controls.Combo(IDC_AUDIO_DEVICE);
    std::uint32_t device = settings::SoundDevice.Get();
    if (device != 0 && device >= static_cast<std::uint32_t>(devices->count())) device = 0;
    devices->setCurrentIndex(devices->count() ? static_cast<int>(device) : -1);
    auto* channels = m_controls.Combo(IDC_AUDIO_CHANNELS);
    WizardControls::Fill(channels, ChannelEntries());
    const std::uint32_t channel = settings::AudioChannels.Get();
    channels->setCurrentIndex(channel < 2 ? static_cast<int>(channel) : -1);
    auto* quality = m_controls.Combo(IDC_AUDIO_QUALITY);
    WizardControls::Fill(quality, QualityEntries());
    quality->setCurrentIndex(2);  // "Best"; the stored sound format is not read back
    Trace("End LoadAudioSettingsT()");
}

void CAVSettingPage::CheckSoundDeviceT() {
    Trace("start CheckSoundDeviceT(void)");
    // The flag shows as set without devices; Convert then stores no sound.
    if (m_controls.Combo(IDC_AUDIO_DEVICE)->count() == 0) m_state.recordSound = true;
    Trace("End CheckSoundDeviceT(void)");
}

void CAVSettingPage::ToggleRecordSound() {
    m_state.recordSound = !m_state.recordSound;
    const RowBitmaps& row = m_state.recordSound ? kRecordOn : kRecordOff;
    m_controls.SetIcon(0, row.iconNormal, row.iconHighlighted);
    m_controls.Button(IDC_ROW_ICON[0])->ShowHighlighted();
}

void CAVSettingPage::OnQualityChange() {
    m_controls.SetIcon(3, 283, 282);
    m_controls.Button(IDC_ROW_ICON[3])->ShowHighlighted();
}

std::string CAVSettingPage::ChosenDevice() const {
    const int index = DeviceIndex();
    return index >= 0 && index < static_cast<int>(m_devices.size()) ? m_devices[index].device : std::string();
}

AlsaCaptureFormat CAVSettingPage::SoundCheckFormat() const {
    int rate = 44100, channels = 2, bits = 16;
    ParseAudioProperties(Audio().properties, rate, channels, bits);
    // Blocks of a twentieth of a second keep the meter lively.
    return {static_cast<unsigned>(rate), static_cast<unsigned>(channels), static_cast<unsigned>(bits),
            static_cast<unsigned long>(rate / 20), 3};
}

int CAVSettingPage::DeviceIndex() const { return m_controls.Combo(IDC_AUDIO_DEVICE)->currentIndex(); }

AudioValues CAVSettingPage::Audio() const {
    return DeriveAudioValues(m_controls.Combo(IDC_AUDIO_CHANNELS)->currentIndex(),
                             m_controls.Combo(IDC_AUDIO_QUALITY)->currentIndex(), FormatText());
}

}  // namespace kv::wizard
