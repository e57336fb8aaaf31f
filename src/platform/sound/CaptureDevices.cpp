#include "platform/sound/CaptureDevices.h"

#include <alsa/asoundlib.h>

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/sound/AlsaMessages.h"

namespace kv {
namespace {

std::string TakeHint(void* hint, const char* id) {
    std::unique_ptr<char, decltype(&std::free)> value(snd_device_name_get_hint(hint, id), &std::free);
    return value ? std::string(value.get()) : std::string();
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

// What kind of access to a card a device name gives, in a word.
std::string KindOf(const std::string& name) {
    const std::string type = name.substr(0, name.find(':'));
    if (type == "plughw") return "any format";
    if (type == "sysdefault") return "card default";
    if (type == "dsnoop") return "shared";
    return type;
}

bool DescribesAPlugin(const std::string& text) { return strcasestr(text.c_str(), "plugin") != nullptr; }

std::string Detail(const std::string& description, const std::string& name) {
    return (description.empty() ? std::string() : description + "\n") + "ALSA device: " + name;
}

// Raw "hw" devices take only the card's own formats and "null" records
// nothing; both are left out ("plughw" offers the same cards usefully).
bool Wanted(const std::string& name, const std::string& ioid) {
    if (ioid == "Output" || name.empty() || name == "default" || name == "null") return false;
    return !StartsWith(name, "hw:");
}

}  // namespace

std::string ReadableDeviceName(const std::string& name, const std::string& description) {
    const std::string own = FirstLine(description);
    if (own.empty()) return name;
    if (name.find("CARD=") != std::string::npos) return own + " (" + KindOf(name) + ")";
    // ALSA's words for one of its plugins (a rate converter, an upmix) say
    // what the plugin does, not which device it is: its name is.
    if (DescribesAPlugin(own)) return name + " (ALSA plugin)";
    return own;
}

std::vector<CaptureDevice> ListCaptureDevices() {
    std::vector<CaptureDevice> devices{{"default", "Default sound input", "ALSA device: default"}};
    void** hints = nullptr;
    RouteAlsaMessagesToTrace();
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints) return devices;
    bool soundServer = false;
    for (void** hint = hints; *hint; ++hint) {
        const std::string name = TakeHint(*hint, "NAME");
        soundServer = soundServer || name == "pulse";
        if (!Wanted(name, TakeHint(*hint, "IOID"))) continue;
        const std::string description = TakeHint(*hint, "DESC");
        devices.push_back({name, ReadableDeviceName(name, description), Detail(description, name)});
    }
    snd_device_name_free_hint(hints);
    // Last, so the list positions stored for the other devices keep their meaning.
    if (soundServer)
        devices.push_back({kDesktopSoundDevice, "Sound of this computer",
                           "What this computer plays, from its sound server\nALSA device: " +
                               std::string(kDesktopSoundDevice)});
    return devices;
}

}  // namespace kv
