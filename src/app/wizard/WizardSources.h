#pragma once
// Where the wizard's device and compressor lists come from: the sound
// capture devices and the video encoders that the AVI writer accepts. The
// wizard also hands its final device list back, so the sound engine opens
// the device of the chosen entry.
#include <string>
#include <vector>

namespace kv {

struct CaptureDeviceEntry {
    std::string device;  // what the sound engine opens
    std::string name;    // what the list shows
    std::string detail;  // the entry's tooltip: all the system says of the device
};

struct CompressorEntry {
    std::string handler;      // four-character code, as the AVI file names it
    std::string description;  // what the list shows and the AVI writer looks up
};

class WizardSources {
public:
    virtual ~WizardSources() = default;
    virtual std::vector<CaptureDeviceEntry> CaptureDevices() = 0;
    // The devices of the list's entries, in list order.
    virtual void SetAudioDeviceTable(const std::vector<CaptureDeviceEntry>& devices) = 0;
    // Every installed encoder, in order, with whether it takes frames of this
    // size; the system's list also becomes the table the video writer reads.
    struct Compressor {
        CompressorEntry entry;
        bool acceptsFormat = false;
    };
    virtual std::vector<Compressor> VideoCompressors(int width, int height) = 0;
    // The skin file that gives the window its shape and picture.
    virtual std::string FrameFileName() const { return "IDB_DIALOG_FRAME.bmp"; }
};

// The machine's own devices and encoders.
class SystemWizardSources : public WizardSources {
public:
    std::vector<CaptureDeviceEntry> CaptureDevices() override;
    void SetAudioDeviceTable(const std::vector<CaptureDeviceEntry>& devices) override;
    std::vector<Compressor> VideoCompressors(int width, int height) override;
};

}  // namespace kv
