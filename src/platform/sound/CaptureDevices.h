#pragma once
// The sound capture devices ALSA offers, for the device list of the settings
// page and for the capture engine.
#include <string>
#include <vector>

namespace kv {

struct CaptureDevice {
    std::string name;         // what snd_pcm_open takes ("default", "plughw:CARD=PCH,DEV=0", ...)
    std::string description;  // readable text for the device list, the device's own words first
    std::string detail;       // everything ALSA says of it, and its name, for a tooltip
};

// The list text of an ALSA device from its name and ALSA's description (the
// card's and device's names, then on a second line what kind of device it
// is): a card's device as "<card, device> (<kind>)", one of ALSA's plugins
// as "<name> (ALSA plugin)", any other device by its own description
// ("PulseAudio Sound Server"). ALSA's whole text goes to the tooltip.
std::string ReadableDeviceName(const std::string& name, const std::string& description);

// "default" first, then every other PCM that can capture: the hardware
// devices (through plughw, so any sample format and rate works) and the plugin
// devices of the ALSA configuration. Devices that only play and the "null"
// device are left out. Where ALSA reaches a sound server (its "pulse" device:
// PulseAudio or PipeWire), the list ends with "Sound of this computer", what
// the desktop itself plays. Never throws; an empty list when ALSA offers nothing.
std::vector<CaptureDevice> ListCaptureDevices();

// The sound server's monitor of its default output, through ALSA.
inline constexpr const char* kDesktopSoundDevice = "pulse:DEVICE=@DEFAULT_MONITOR@";

}  // namespace kv
