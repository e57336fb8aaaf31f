#include "app/wizard/WizardSources.h"

#include "audio/AudioDeviceTable.h"
#include "platform/media/VideoEncoders.h"
#include "platform/sound/CaptureDevices.h"

namespace kv {

std::vector<CaptureDeviceEntry> SystemWizardSources::CaptureDevices() {
    std::vector<CaptureDeviceEntry> entries;
    for (const auto& device : ListCaptureDevices()) entries.push_back({device.name, device.description, device.detail});
    return entries;
}

void SystemWizardSources::SetAudioDeviceTable(const std::vector<CaptureDeviceEntry>& devices) {
    std::vector<CaptureDevice> table;
    for (const auto& device : devices) table.push_back({device.device, device.name, device.detail});
    AudioDeviceTable.Fill(table);
}

std::vector<WizardSources::Compressor> SystemWizardSources::VideoCompressors(int width, int height) {
    auto installed = EnumerateVideoCompressors(width, height);
    std::vector<Compressor> compressors;
    for (const auto& info : installed) compressors.push_back({{FourCCText(info.fccHandler), info.description}, true});
    SetInstalledCompressors(std::move(installed));
    return compressors;
}

}  // namespace kv
