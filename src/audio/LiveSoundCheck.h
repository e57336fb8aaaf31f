#pragma once
// Listens to one sound device while the user chooses it: how loud it is now,
// and whether it has given nothing but digital silence for a while (a muted
// or unplugged input, a device that delivers nothing). The device is read on
// a thread of the check's own and is released when the check stops.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "audio/SoundLevel.h"
#include "platform/sound/AlsaCapture.h"

namespace kv {

class LiveSoundCheck {
public:
    explicit LiveSoundCheck(std::chrono::milliseconds silenceAfter = std::chrono::seconds(3));
    ~LiveSoundCheck();
    LiveSoundCheck(const LiveSoundCheck&) = delete;
    LiveSoundCheck& operator=(const LiveSoundCheck&) = delete;

    // Stops a check that runs, then listens to `device` in `format`.
    void Start(const std::string& device, const AlsaCaptureFormat& format);
    // Ends the listening; on return the device is closed. Safe when stopped.
    void Stop();
    bool Running() const { return m_thread.joinable(); }
    const std::string& Device() const { return m_device; }

    // The loudest peak since the last call (0 to 1).
    float TakeLevel() { return m_level.Take(); }
    // True once the device has given no sound for `silenceAfter`: only
    // digital silence, or nothing at all (it could not be opened or read).
    bool Silent() const { return m_silent; }

private:
    void Listen(std::string device, AlsaCaptureFormat format);

    std::chrono::milliseconds m_silenceAfter;
    std::string m_device;
    std::thread m_thread;
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_silent{false};
    PeakHold m_level;
};

}  // namespace kv
