#pragma once
// A sound card for tests on machines without one (CI runs as root in a
// container with no sound hardware and no kernel modules).
//
// While a TestSoundSource lives, this process's ALSA sees two extra capture
// devices, and "default" is one of them:
//   "kvtone" (and "default"): plays the samples of a file of ours exactly, at
//       real-time pace. Behind it: plug -> mmap_emul -> file (infile = our
//       samples) -> pulse, where the pulse side is a private PulseAudio server
//       with a null sink whose monitor paces the reads.
//   "kvfast": the same samples with no pacing at all (file -> null); a 2 s
//       read takes a few milliseconds. For fast unit tests only; past the end
//       of the samples it delivers stale data, so make the source longer than
//       the recording.
// Set the samples before opening the device (SetTone, SetCounter); the file
// is read from its start at every open, in the format the reader asks for.
//
// Usage (one per test program, e.g. in a test environment or SetUpTestSuite):
//   kvtest::TestSoundSource sound;            // throws when it cannot be set up
//   sound.SetTone(44100, 2, 16, 440.0, 40);  // 40 s of a 440 Hz sine
//   ... record from "default" ...
// Destruction ends the server and its helper processes (none is left behind)
// and restores the environment (ALSA_CONFIG_PATH, PULSE_SERVER, ...).
// StopServer() ends the server early, which makes the paced device fail as an
// unplugged one would.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/process/ChildProcess.h"
#include "support/TempDir.h"

namespace kvtest {

class TestSoundSource {
public:
    static constexpr const char* kPacedDevice = "kvtone";
    static constexpr const char* kFastDevice = "kvfast";

    // With `warm` (the usual case) the constructor returns once the paced
    // device delivers sound at once; a fresh server otherwise answers the first
    // read only after a second or two.
    explicit TestSoundSource(bool warm = true);
    ~TestSoundSource();
    TestSoundSource(const TestSoundSource&) = delete;
    TestSoundSource& operator=(const TestSoundSource&) = delete;

    // A sine of `frequency` Hz (amplitude half of full scale) at `rate`, as
    // interleaved 8-bit unsigned or 16-bit signed samples, `seconds` long.
    void SetTone(unsigned rate, unsigned channels, unsigned bits, double frequency, double seconds);
    // 16-bit frames that number themselves: channel 0 holds the frame index
    // modulo 65536, channel 1 (stereo) the index divided by 65536.
    void SetCounter(unsigned channels, std::uint64_t frames);
    // The frame index that SetCounter wrote into a frame (mono: modulo 65536).
    static std::uint64_t CounterAt(const std::int16_t* frame, unsigned channels);

    // Ends the PulseAudio server now (the paced device then fails).
    void StopServer();
    const std::filesystem::path& Folder() const { return m_dir.path(); }

private:
    void WriteConfig();
    void StartServer();
    void WarmUp();
    void SetEnv(const char* name, const std::string& value);
    void WriteSamples(const std::vector<std::uint8_t>& bytes);

    TempDir m_dir;
    kv::ChildProcess m_server;
    kv::ChildProcess m_keepAwake;
    std::vector<std::pair<std::string, std::pair<bool, std::string>>> m_savedEnv;
};

}  // namespace kvtest
