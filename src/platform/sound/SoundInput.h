#pragma once
// What the sound engine needs of a capture device: ALSA in the program, a
// source of known timing in tests (behind the same interface, so the real
// engine code runs against it).
#include <functional>
#include <memory>
#include <string>

#include "platform/sound/AlsaCapture.h"

namespace kv {

class SoundInput {
public:
    virtual ~SoundInput() = default;
    // As AlsaCapture: 0 or a negative ALSA error code.
    virtual int Open(const std::string& device, const AlsaCaptureFormat& format) = 0;
    virtual int Start() = 0;
    virtual long Read(void* buffer, unsigned long frames, int timeoutMs) = 0;
    virtual int Recover(int error) = 0;
    virtual long Available() const = 0;
    // Frames captured but not read yet, counted from the device's own
    // capture point (so its latency included); -1 when unknown.
    virtual long Delay() const = 0;
    // Frames already read from the device and waiting for the next Read
    // (no call into the device); 0 where nothing is kept.
    virtual long Held() const { return 0; }
    virtual int Drop() = 0;
    virtual int Close() = 0;
    virtual bool IsOpen() const = 0;
};

// The device the engine opens: ALSA, unless a test has put its own maker in place.
using SoundInputMaker = std::function<std::unique_ptr<SoundInput>()>;
std::unique_ptr<SoundInput> MakeSoundInput();
// Replaces the maker (an empty one restores ALSA); for tests.
void SetSoundInputMaker(SoundInputMaker maker);

}  // namespace kv
