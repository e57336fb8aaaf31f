#include "audio/LiveSoundCheck.h"

#include <pthread.h>

#include <memory>
#include <vector>

#include "platform/core/Trace.h"
#include "platform/sound/SoundInput.h"

namespace kv {
namespace {

using Clock = std::chrono::steady_clock;

// How long one read waits for sound: the check stops this promptly.
constexpr int kReadTimeoutMs = 50;
// A device that cannot be opened is tried again this often, so one that is
// busy for a moment (the recording of another program) is heard once free.
constexpr auto kReopenPause = std::chrono::milliseconds(500);

}  // namespace

LiveSoundCheck::LiveSoundCheck(std::chrono::milliseconds silenceAfter) : m_silenceAfter(silenceAfter) {}

LiveSoundCheck::~LiveSoundCheck() { Stop(); }

void LiveSoundCheck::Start(const std::string& device, const AlsaCaptureFormat& format) {
    Stop();
    m_device = device;
    m_quit = false;
    m_silent = false;
    m_level.Take();
    m_thread = std::thread(&LiveSoundCheck::Listen, this, device, format);
}

void LiveSoundCheck::Stop() {
    m_quit = true;
    if (m_thread.joinable()) m_thread.join();
}

void LiveSoundCheck::Listen(std::string device, AlsaCaptureFormat format) {
    pthread_setname_np(pthread_self(), "kv-soundcheck");
    const unsigned frameBytes = format.channels * (format.bits / 8);
    std::vector<unsigned char> block(static_cast<std::size_t>(format.periodFrames) * frameBytes);
    auto lastSound = Clock::now();
    std::unique_ptr<SoundInput> input;
    auto nextOpen = Clock::now();
    while (!m_quit) {
        const auto now = Clock::now();
        m_silent = now - lastSound >= m_silenceAfter;
        if (!input && now >= nextOpen) {
            input = MakeSoundInput();
            int err = input->Open(device, format);
            if (err == 0) err = input->Start();
            if (err == 0) continue;
            TraceF("LiveSoundCheck : cannot listen to \"%s\" (%s)", device.c_str(), AlsaCapture::ErrorText(err).c_str());
            input.reset();
            nextOpen = now + kReopenPause;
        }
        if (!input) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kReadTimeoutMs));
            continue;
        }
        const long frames = input->Read(block.data(), format.periodFrames, kReadTimeoutMs);
        if (frames < 0) {
            if (input->Recover(static_cast<int>(frames)) < 0) {  // gone: tried again later
                input.reset();
                nextOpen = Clock::now() + kReopenPause;
            }
            continue;
        }
        const float peak = PeakLevel(block.data(), static_cast<std::size_t>(frames) * frameBytes, format.bits);
        if (peak > 0.0f) lastSound = Clock::now();
        m_level.Note(peak);
    }
    if (input) {
        input->Drop();
        input->Close();
    }
}

}  // namespace kv
