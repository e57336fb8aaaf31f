#include "platform/sound/CaptureDevices.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <memory>

#include "platform/sound/AlsaMessages.h"

namespace kv {
namespace {

std::string TakeHint(void* hint, const char* id) {
    std::unique_ptr<char, decltype(&std::free)> value(snd_device_name_get_hint(hint, id), &std::free);
    return value ? std::string(value.get()) : std::string();
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// The two lines of an ALSA description ("card, device" and what it is) as one.
std::string Readable(const std::string& description, const std::string& name) {
    std::string text;
    for (char ch : description) text += ch == '\n' ? std::string(", ") : std::string(1, ch);
    return text.empty() ? name : text;
}

// Raw "hw" devices take only the card's own formats and "null" records
// nothing; both are left out ("plughw" offers the same cards usefully).
bool Wanted(const std::string& name, const std::string& ioid) {
    if (ioid == "Output" || name.empty() || name == "default" || name == "null") return false;
    return !StartsWith(name, "hw:");
}

}  // namespace

std::vector<CaptureDevice> ListCaptureDevices() {
    std::vector<CaptureDevice> devices{{"default", "Default sound input"}};
    void** hints = nullptr;
    RouteAlsaMessagesToTrace();
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints) return devices;
    bool soundServer = false;
    for (void** hint = hints; *hint; ++hint) {
        const std::string name = TakeHint(*hint, "NAME");
        soundServer = soundServer || name == "pulse";
        if (!Wanted(name, TakeHint(*hint, "IOID"))) continue;
        devices.push_back({name, Readable(TakeHint(*hint, "DESC"), name)});
    }
    snd_device_name_free_hint(hints);
    // Last, so the list positions stored for the other devices keep their meaning.
    if (soundServer) devices.push_back({kDesktopSoundDevice, "Sound of this computer"});
    return devices;
}

}  // namespace kv
