#include "audio/AudioDeviceTable.h"

#include <strings.h>

namespace kv {

AudioDeviceList AudioDeviceTable;

namespace {

bool BeginsWithIgnoringCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() && strncasecmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

}  // namespace

std::vector<std::string> AudioDeviceList::Fill() { return Fill(ListCaptureDevices()); }

std::vector<std::string> AudioDeviceList::Fill(const std::vector<CaptureDevice>& devices) {
    std::vector<CaptureDevice> entries;
    for (const auto& device : devices) {
        if (static_cast<int>(entries.size()) >= kCapacity) break;
        bool listed = false;
        for (const auto& entry : entries) listed = listed || BeginsWithIgnoringCase(entry.description, device.description);
        if (!listed) entries.push_back(device);
    }
    std::vector<std::string> texts;
    for (const auto& entry : entries) texts.push_back(entry.description);
    std::lock_guard lock(m_mutex);
    m_entries = std::move(entries);
    m_bFilled = true;
    return texts;
}

std::optional<std::string> AudioDeviceList::DeviceAt(int index) const {
    std::lock_guard lock(m_mutex);
    if (index < 0 || index >= static_cast<int>(m_entries.size())) return std::nullopt;
    return m_entries[static_cast<std::size_t>(index)].name;
}

int AudioDeviceList::Count() const {
    std::lock_guard lock(m_mutex);
    return static_cast<int>(m_entries.size());
}

bool AudioDeviceList::IsFilled() const {
    std::lock_guard lock(m_mutex);
    return m_bFilled;
}

std::vector<std::string> AudioDeviceList::Entries() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> texts;
    for (const auto& entry : m_entries) texts.push_back(entry.description);
    return texts;
}

void AudioDeviceList::Clear() {
    std::lock_guard lock(m_mutex);
    m_entries.clear();
    m_bFilled = false;
}

}  // namespace kv
