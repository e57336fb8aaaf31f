#pragma once
// One ALSA capture stream, owned: closing happens on every path.
#include <cstdint>
#include <string>
#include <vector>

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
    // The device is always asked for all it has, and what is beyond
    // `frames` waits here for the next read: a sound server's plugin holds a
    // fragment it handed over only in part, and a server that goes away
    // then hangs the plugin's thread, and ours at its next call.
    long Read(void* buffer, unsigned long frames, int timeoutMs);
    // Overrun or suspend: prepares the stream again and restarts it. 0 when the
    // stream runs again; the error when the device cannot go on (gone).
    int Recover(int error);
    // Frames captured and ready to be read now (those waiting here
    // included), or 0 if unknown.
    long Available() const;
    // Frames between the device's capture point and what the program has
    // read (its latency, and those waiting here, included), or -1 if unknown.
    long Delay() const;
    // Frames read from the device that wait for the next Read.
    long Held() const { return static_cast<long>(m_nWaitingFrames - m_nWaitingFrom); }
    // Discards pending sound and stops the stream.
    int Drop();
    int Close();
    bool IsOpen() const { return m_pcm != nullptr; }

    // ALSA's text for an error code.
    static std::string ErrorText(int error);

private:
    // Reads all the device has into m_waiting (which must be empty): the
    // frames now waiting, or a negative ALSA error code.
    long ReadAllThere();
    // Hands out frames waiting here; the number handed out.
    unsigned long TakeWaiting(std::uint8_t* out, unsigned long frames);
    // What a device far behind may have: more than this is left to it.
    static constexpr unsigned long kMaxWaitingBuffers = 64;

    snd_pcm_t* m_pcm = nullptr;
    unsigned m_nRate = 8000;
    unsigned m_nFrameBytes = 1;
    unsigned long m_nBufferFrames = 1;
    std::vector<std::uint8_t> m_waiting;  // read from the device, not yet handed out
    unsigned long m_nWaitingFrom = 0;     // frames of m_waiting already handed out
    unsigned long m_nWaitingFrames = 0;   // frames in m_waiting
};

}  // namespace kv
