#pragma once
// Which entry of the sound device list a batch run records from.
#include <optional>
#include <string>
#include <vector>

namespace kv {

// The position of `wanted` in the list: its device name ("default",
// "pulse", "hw:..."), the entry's text, or the position as a number. An
// empty `wanted` is the first entry. nullopt when nothing fits.
std::optional<int> ChooseSoundDevice(const std::string& wanted, const std::vector<std::string>& names,
                                     const std::vector<std::string>& texts);

}  // namespace kv
