#pragma once
// Picture and sound changed at one instant from outside a recorder: a small
// square, a child window of the recorded window (so its drawing is damage of
// that window, as a slide's own drawing is), changes colour; once the X
// server has done it (XSync), a click goes into the sound server through a
// low-latency playback stream. Every flash is logged with the stream's own
// queue latency at the click, so a reader of the recording can take it off.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kvtest {

struct Flash {
    double shownAt = 0;           // steady clock seconds: the square drawn and the server answered
    double clickLatency = 0;      // seconds from `shownAt` until the click is heard in the server
    std::uint32_t colour = 0;     // what the square shows from then on
    bool steady = true;           // the stream had sound queued ahead of the click: its latency is known
};

struct FlashRigOptions {
    int x = 24, y = 24, size = 64;        // the square, in the recorded window
    double minGap = 0.6, maxGap = 1.2;    // seconds between flashes (random, so pairs are unambiguous)
    unsigned rate = 44100;                // the click stream
    unsigned seed = 1;
};

// The square's two colours: a flash changes it from one to the other.
constexpr std::uint32_t kFlashWhite = 0xFFFFFF;
constexpr std::uint32_t kFlashBlack = 0x000000;

class FlashClickRig {
public:
    explicit FlashClickRig(FlashRigOptions options = {});
    ~FlashClickRig();
    FlashClickRig(const FlashClickRig&) = delete;
    FlashClickRig& operator=(const FlashClickRig&) = delete;

    // Puts the square (black) into `parent` on the current DISPLAY and opens
    // the click stream ("pulse" of this process's ALSA); false with `error` set.
    bool Open(unsigned long parent, std::string& error);
    // Flashes from now until Stop(), on a thread of its own.
    void Start();
    void Stop();
    // Every flash, once stopped.
    const std::vector<Flash>& Flashes() const { return m_flashes; }

private:
    void Run();   // draws the flashes
    void Feed();  // keeps the stream fed, the clicks where the flashes ask
    void Draw(std::uint32_t colour);
    long WriteFrames(const std::int16_t* frames, long count);

    FlashRigOptions m_options;
    void* m_display = nullptr;   // Display*
    unsigned long m_window = 0;
    void* m_gc = nullptr;        // GC
    void* m_pcm = nullptr;       // snd_pcm_t*
    long m_period = 0;           // frames per write
    std::atomic<bool> m_stop{false};
    std::thread m_thread, m_feeder;
    std::mutex m_mutex;
    std::optional<Flash> m_asked;  // a flash drawn whose click is not written yet
    std::vector<Flash> m_flashes;
};

// The top-level window of the current DISPLAY that holds a child of exactly
// width x height at (0, 0) and is that wide itself (the container and its slide
// area); 0 when there is none yet.
unsigned long FindContainerWindow(int width, int height);

}  // namespace kvtest
