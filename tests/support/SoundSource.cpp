#include "support/SoundSource.h"

#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <thread>

#include "platform/sound/AlsaCapture.h"

namespace kvtest {
namespace fs = std::filesystem;

namespace {

void WriteText(const fs::path& file, const std::string& text) {
    std::ofstream out(file, std::ios::trunc);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

bool RunQuietly(const std::vector<std::string>& argv, int timeoutMs = 5000) {
    auto child = kv::ChildProcess::Spawn(argv, {});
    if (!child.Started()) return false;
    const auto status = child.Wait(timeoutMs);
    if (!status) child.Terminate(500);
    return status && *status == 0;
}

}  // namespace

TestSoundSource::TestSoundSource(bool warm) : m_dir("kalvista-sound") {
    SetTone(48000, 2, 16, 1000.0, 1.0);
    WriteConfig();
    try {
        StartServer();
        if (warm) WarmUp();
    } catch (...) {
        StopServer();
        throw;
    }
}

TestSoundSource::~TestSoundSource() {
    StopServer();
    for (auto it = m_savedEnv.rbegin(); it != m_savedEnv.rend(); ++it) {
        if (it->second.first) setenv(it->first.c_str(), it->second.second.c_str(), 1);
        else unsetenv(it->first.c_str());
    }
}

void TestSoundSource::SetEnv(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    m_savedEnv.push_back({name, {old != nullptr, old ? old : ""}});
    setenv(name, value.c_str(), 1);
}

void TestSoundSource::WriteConfig() {
    const fs::path dir = m_dir.path();
    const std::string samples = (dir / "source.raw").string();
    // "default" can only be taken over from a file that a hook loads: the
    // pulse plugin's own hook sets it otherwise, after anything written here.
    WriteText(dir / "alsa.conf",
              "</usr/share/alsa/alsa.conf>\n"
              "pcm.kvtone { type plug slave.pcm \"kvtone_emul\" hint { show on description \"Kalvista test tone\" } }\n"
              "pcm.kvtone_emul { type mmap_emul slave.pcm \"kvtone_file\" }\n"
              "pcm.kvtone_file { type file slave.pcm \"pulse\" file \"/dev/null\" format \"raw\" infile \"" + samples + "\" }\n"
              "pcm.kvfast { type plug slave.pcm \"kvfast_file\" hint { show on description \"Kalvista fast test source\" } }\n"
              "pcm.kvfast_file { type file slave.pcm \"null\" file \"/dev/null\" format \"raw\" infile \"" + samples + "\" }\n"
              "@hooks.1 { func load files [ \"" + (dir / "default.conf").string() + "\" ] errors false }\n");
    WriteText(dir / "default.conf", "pcm.!default \"kvtone\"\n");
    WriteText(dir / "client.conf", "autospawn = no\n");
    fs::create_directories(dir / "run");
    fs::create_directories(dir / "config");
    ::chmod((dir / "run").c_str(), 0700);
}

void TestSoundSource::StartServer() {
    const fs::path dir = m_dir.path();
    const std::string socket = (dir / "native").string();
    SetEnv("ALSA_CONFIG_PATH", (dir / "alsa.conf").string());
    SetEnv("PULSE_SERVER", "unix:" + socket);
    SetEnv("PULSE_CLIENTCONFIG", (dir / "client.conf").string());

    kv::SpawnOptions options;
    options.newProcessGroup = true;
    options.outputFile = dir / "pulseaudio.log";
    options.environment = {"XDG_RUNTIME_DIR=" + (dir / "run").string(), "XDG_CONFIG_HOME=" + (dir / "config").string(),
                           "HOME=" + dir.string()};
    m_server = kv::ChildProcess::Spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                                        "--use-pid-file=no", "--log-target=stderr",
                                        "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socket,
                                        "--load=module-null-sink sink_name=vs"},
                                       options);
    if (!m_server.Started()) throw std::runtime_error("pulseaudio could not be started (package pulseaudio)");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!RunQuietly({"pactl", "info"})) {
        if (!m_server.Running() || std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("pulseaudio did not come up; see " + options.outputFile.string());
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    if (!RunQuietly({"pactl", "set-default-source", "vs.monitor"}))
        throw std::runtime_error("pactl set-default-source failed");
    // An idle null-sink monitor answers the first read only after a second or
    // two; a low-latency reader keeps it running.
    kv::SpawnOptions quiet;
    quiet.newProcessGroup = true;
    m_keepAwake = kv::ChildProcess::Spawn({"pacat", "-r", "--latency-msec=10", "-d", "vs.monitor"}, quiet);
    if (!m_keepAwake.Started()) throw std::runtime_error("pacat could not be started (package pulseaudio-utils)");
}

void TestSoundSource::WarmUp() {
    kv::AlsaCapture capture;
    if (capture.Open(kPacedDevice, {8000, 1, 16, 400, 3}) < 0 || capture.Start() < 0)
        throw std::runtime_error("the test sound device cannot be opened");
    std::int16_t samples[400];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (capture.Read(samples, 400, 50) <= 0) {
        if (std::chrono::steady_clock::now() > deadline) throw std::runtime_error("the test sound device stays silent");
    }
}

void TestSoundSource::StopServer() {
    if (m_keepAwake.Started()) m_keepAwake.Terminate(1000);
    if (m_server.Started()) m_server.Terminate(2000);
}

void TestSoundSource::WriteSamples(const std::vector<std::uint8_t>& bytes) {
    const fs::path file = m_dir.path() / "source.raw";
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

void TestSoundSource::SetTone(unsigned rate, unsigned channels, unsigned bits, double frequency, double seconds) {
    const auto frames = static_cast<std::uint64_t>(seconds * rate);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(frames * channels * bits / 8);
    for (std::uint64_t i = 0; i < frames; ++i) {
        const double value = 0.5 * std::sin(2.0 * std::numbers::pi * frequency * static_cast<double>(i) / rate);
        for (unsigned c = 0; c < channels; ++c) {
            if (bits == 8) {
                bytes.push_back(static_cast<std::uint8_t>(std::lround(128.0 + 127.0 * value)));
            } else {
                const auto s = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(32767.0 * value)));
                bytes.push_back(static_cast<std::uint8_t>(s));
                bytes.push_back(static_cast<std::uint8_t>(s >> 8));
            }
        }
    }
    WriteSamples(bytes);
}

void TestSoundSource::SetCounter(unsigned channels, std::uint64_t frames) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(frames * channels * 2);
    for (std::uint64_t i = 0; i < frames; ++i) {
        const std::uint16_t parts[2] = {static_cast<std::uint16_t>(i & 0xFFFF), static_cast<std::uint16_t>(i >> 16)};
        for (unsigned c = 0; c < channels; ++c) {
            bytes.push_back(static_cast<std::uint8_t>(parts[c % 2]));
            bytes.push_back(static_cast<std::uint8_t>(parts[c % 2] >> 8));
        }
    }
    WriteSamples(bytes);
}

std::uint64_t TestSoundSource::CounterAt(const std::int16_t* frame, unsigned channels) {
    const auto low = static_cast<std::uint16_t>(frame[0]);
    const auto high = channels > 1 ? static_cast<std::uint16_t>(frame[1]) : 0u;
    return (static_cast<std::uint64_t>(high) << 16) | low;
}

}  // namespace kvtest
