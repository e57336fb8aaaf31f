#pragma once
// One ALSA capture stream, owned: closing happens on every path.
#include <string>

typedef struct _snd_pcm snd_pcm_t;

namespace kv {

struct AlsaCaptureFormat {
    unsigned rate = 0;          // frames per second
    unsigned channels = 0;      // 1 or 2
    unsigned bits = 0;          // 8 (unsigned samples) or 16 (signed little-endian)
    unsigned long periodFrames = 0;  // frames per block handed to the program
    unsigned periods = 0;            // blocks of device buffering
};

class AlsaCapture {
public:
    AlsaCapture() = default;
    ~AlsaCapture();
    AlsaCapture(AlsaCapture&& other) noexcept;
    AlsaCapture& operator=(AlsaCapture&& other) noexcept;
    AlsaCapture(const AlsaCapture&) = delete;
    AlsaCapture& operator=(const AlsaCapture&) = delete;

    // Opens `device` for interleaved capture in exactly this format (rate,
    // channels and sample format are not approximated). 0, or a negative
    // ALSA error code; on failure nothing stays open.
    int Open(const std::string& device, const AlsaCaptureFormat& format);
    int Start();
    // Reads the sound that is there, at most `frames`; when there is none,
    // sleeps until `frames` are due (at most `timeoutMs`) and tries once more. Frames read (0 on time-out), or a negative ALSA error code.
    long Read(void* buffer, unsigned long frames, int timeoutMs);
    // Overrun or suspend: prepares the stream again and restarts it. 0 when the
    // stream runs again; the error when the device cannot go on (gone).
    int Recover(int error);
    // Frames captured and ready to be read now, or 0 if unknown.
    long Available() const;
    // Frames between the device's capture point and what the program has
    // read (its latency included), or -1 if unknown.
    long Delay() const;
    // Discards pending sound and stops the stream.
    int Drop();
    int Close();
    bool IsOpen() const { return m_pcm != nullptr; }

    // ALSA's text for an error code.
    static std::string ErrorText(int error);

private:
    snd_pcm_t* m_pcm = nullptr;
    unsigned m_nRate = 8000;
};

}  // namespace kv
