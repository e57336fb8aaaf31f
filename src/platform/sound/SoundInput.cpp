#include "platform/sound/SoundInput.h"

#include <mutex>

namespace kv {
namespace {

class AlsaDevice final : public SoundInput {
public:
    int Open(const std::string& device, const AlsaCaptureFormat& format) override { return m_pcm.Open(device, format); }
    int Start() override { return m_pcm.Start(); }
    long Read(void* buffer, unsigned long frames, int timeoutMs) override { return m_pcm.Read(buffer, frames, timeoutMs); }
    int Recover(int error) override { return m_pcm.Recover(error); }
    long Available() const override { return m_pcm.Available(); }
    long Delay() const override { return m_pcm.Delay(); }
    long Held() const override { return m_pcm.Held(); }
    int Drop() override { return m_pcm.Drop(); }
    int Close() override { return m_pcm.Close(); }
    bool IsOpen() const override { return m_pcm.IsOpen(); }

private:
    AlsaCapture m_pcm;
};

std::mutex g_makerMutex;
SoundInputMaker g_maker;

}  // namespace

std::unique_ptr<SoundInput> MakeSoundInput() {
    std::lock_guard lock(g_makerMutex);
    if (g_maker) return g_maker();
    return std::make_unique<AlsaDevice>();
}

void SetSoundInputMaker(SoundInputMaker maker) {
    std::lock_guard lock(g_makerMutex);
    g_maker = std::move(maker);
}

}  // namespace kv
