#pragma once
// A sound device for unit tests: it delivers one 16-bit sample value at
// real-time pace, as a sound server does. Tests derive from it to count its
// use or to make it fail; the engine's own code runs against it unchanged.
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/sound/SoundInput.h"

namespace kvtest {

class PacedInput : public kv::SoundInput {
public:
    int Open(const std::string&, const kv::AlsaCaptureFormat& format) override {
        m_format = format;
        m_isOpen = true;
        return 0;
    }
    int Start() override {
        m_started = std::chrono::steady_clock::now();
        return 0;
    }
    long Read(void* buffer, unsigned long frames, int) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(frames * 1000 / m_format.rate));
        auto* samples = static_cast<std::int16_t*>(buffer);
        const std::int16_t value = Value();
        for (unsigned long i = 0; i < frames * m_format.channels; ++i) samples[i] = value;
        return static_cast<long>(frames);
    }
    int Recover(int error) override { return error; }
    long Available() const override { return 0; }
    long Delay() const override { return 0; }
    int Drop() override { return 0; }
    int Close() override {
        m_isOpen = false;
        return 0;
    }
    bool IsOpen() const override { return m_isOpen; }

protected:
    virtual std::int16_t Value() const { return 1000; }
    std::chrono::steady_clock::duration SinceStart() const { return std::chrono::steady_clock::now() - m_started; }

private:
    kv::AlsaCaptureFormat m_format{};
    std::chrono::steady_clock::time_point m_started;
    bool m_isOpen = false;
};

}  // namespace kvtest
