#pragma once
// The sound device list of the settings page and the table behind it: entry k
// of the list is the capture device at table position k. The settings page
// fills it; the capture engine opens the device at position "SoundDevice"
// (and fills the table itself when nothing did before it).
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/sound/CaptureDevices.h"

namespace kv {

class AudioDeviceList {
public:
    static constexpr int kCapacity = 19;

    // Lists the capture devices and returns the texts of the device list, in
    // table order. A device whose text begins like an entry already listed
    // (letter case ignored) is left out; at most kCapacity entries.
    std::vector<std::string> Fill();
    std::vector<std::string> Fill(const std::vector<CaptureDevice>& devices);

    // The device name at a list position; nullopt outside the filled part.
    std::optional<std::string> DeviceAt(int index) const;
    int Count() const;
    bool IsFilled() const;
    std::vector<std::string> Entries() const;
    void Clear();

private:
    mutable std::mutex m_mutex;
    std::vector<CaptureDevice> m_entries;
    bool m_bFilled = false;
};

extern AudioDeviceList AudioDeviceTable;

}  // namespace kv
