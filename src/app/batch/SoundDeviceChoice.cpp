#include "app/batch/SoundDeviceChoice.h"

#include <strings.h>

#include <charconv>

namespace kv {

std::optional<int> ChooseSoundDevice(const std::string& wanted, const std::vector<std::string>& names,
                                     const std::vector<std::string>& texts) {
    if (wanted.empty()) return names.empty() ? std::nullopt : std::optional<int>(0);
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == wanted) return static_cast<int>(i);
    for (size_t i = 0; i < texts.size(); ++i)
        if (strcasecmp(texts[i].c_str(), wanted.c_str()) == 0) return static_cast<int>(i);
    int index = -1;
    auto [end, ec] = std::from_chars(wanted.data(), wanted.data() + wanted.size(), index);
    if (ec == std::errc() && end == wanted.data() + wanted.size() && index >= 0 &&
        index < static_cast<int>(names.size()))
        return index;
    return std::nullopt;
}

}  // namespace kv
