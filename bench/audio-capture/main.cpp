// CPU and latency of sound capture at 48 kHz stereo, beside arecord capturing
// the same device at the same time with the same blocks (1000 frames, three
// of device buffering). Both are measured over the same window, once both run
// (their start-up, connecting to the sound server, left out), from the
// scheduler's own count of each thread's time.
//   bench-audio-capture [seconds]   (60 by default)
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>

#include "app/core/SettingsCatalogue.h"
#include "audio/AudioDeviceTable.h"
#include "audio/WaveIn.h"
#include "platform/process/ChildProcess.h"
#include "recording/state/RecorderState.h"
#include "support/SoundSource.h"
#include "support/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

// CPU seconds of each thread of process `pid` by name, from /proc's
// schedstat (nanoseconds; the tick counts of stat are too coarse for
// threads that run a few milliseconds a second). The engine names its
// thread "kv-sound"; "threaded-ml" is the ALSA pulse plugin's.
std::map<std::string, double> ThreadCpuSeconds(pid_t pid) {
    std::map<std::string, double> seconds;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task", error)) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        std::ifstream stat(task.path() / "schedstat");
        double nanoseconds = 0;
        if (stat >> nanoseconds) seconds[name] += nanoseconds / 1e9;
    }
    return seconds;
}

double Total(const std::map<std::string, double>& threads) {
    double total = 0;
    for (const auto& [name, seconds] : threads) total += seconds;
    return total;
}

// Percent of one core that thread `name` (or all, when empty) used between two readings.
double Percent(const std::map<std::string, double>& before, const std::map<std::string, double>& after,
               const std::string& name, double wall) {
    if (name.empty()) return 100.0 * (Total(after) - Total(before)) / wall;
    const auto at = [&](const std::map<std::string, double>& m) { return m.count(name) ? m.at(name) : 0.0; };
    return 100.0 * (at(after) - at(before)) / wall;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 60;
    const auto settle = std::chrono::seconds(1);
    kvtest::TestSoundSource sound;
    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir("kalvista-bench");
    sound.SetTone(48000, 2, 16, 1000.0, seconds + 10);
    kv::AudioDeviceTable.Fill();
    kv::settings::SoundDevice.Set(0);
    const auto format = kv::MakePcmFormat(48000, 2, 16);

    // arecord runs a little longer than the window, so it is still there at its end.
    auto reference = kv::ChildProcess::Spawn({"arecord", "-q", "-D", "default", "-f", "S16_LE", "-r", "48000", "-c", "2",
                                              "--period-size=1000", "--buffer-size=3000", "-d",
                                              std::to_string(seconds + 2), (dir / "arecord.wav").string()},
                                             {});
    kv::g_bRecording = 1;
    kv::InitAudioRecording(dir / "~Record001.wav");
    if (kv::StartAudioRecording(&format) != 1) {
        std::fprintf(stderr, "capture did not start: %s\n", kv::GetAudioCaptureProblem().c_str());
        return 1;
    }
    std::this_thread::sleep_for(settle);
    const auto oursBefore = ThreadCpuSeconds(::getpid());
    const auto theirsBefore = ThreadCpuSeconds(reference.Pid());
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds) - settle);
    const auto oursAfter = ThreadCpuSeconds(::getpid());
    const auto theirsAfter = ThreadCpuSeconds(reference.Pid());
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    kv::g_bRecording = 0;
    kv::StopAudioRecording();
    kv::ClearAudioFile();
    const auto stats = kv::GetAudioCaptureStats();
    const bool referenceOk = reference.Started() && reference.Wait(20000) == 0 && !theirsAfter.empty();

    const double blocks = std::max<double>(1, static_cast<double>(stats.blocksWritten));
    const double cpu = Percent(oursBefore, oursAfter, "", wall);
    const double threadCpu = Percent(oursBefore, oursAfter, "kv-sound", wall);
    const double pluginCpu = Percent(oursBefore, oursAfter, "threaded-ml", wall);
    const double arecordCpu = referenceOk ? Percent(theirsBefore, theirsAfter, "", wall) : -1;
    const double arecordPluginCpu = referenceOk ? Percent(theirsBefore, theirsAfter, "threaded-ml", wall) : -1;

    std::printf("capture at 48 kHz stereo, %.1f s measured: %llu blocks of 1000 frames (%.1f ms each)\n", wall,
                static_cast<unsigned long long>(stats.blocksWritten), 1000.0 / 48.0);
    std::printf("CPU, %% of one core: capture %.3f (its thread %.3f, the ALSA pulse plugin's %.3f)   "
                "arecord on the same device %.3f (its pulse plugin's %.3f)\n",
                cpu, threadCpu, pluginCpu, arecordCpu, arecordPluginCpu);
    std::printf("block read -> in file: mean %.1f us, max %.1f us\n", stats.totalHandlerLatencyUs / blocks,
                static_cast<double>(stats.maxHandlerLatencyUs));
    std::printf("last frame due -> in file: mean %.1f ms, max %.1f ms\n", stats.totalDeliveryLatencyUs / blocks / 1000.0,
                stats.maxDeliveryLatencyUs / 1000.0);
    if (!kv::GetAudioCaptureProblem().empty()) std::printf("problem: %s\n", kv::GetAudioCaptureProblem().c_str());
    std::printf("audio-capture: cpu=%.3f arecord_cpu=%.3f ratio=%.2f thread_cpu=%.3f plugin_cpu=%.3f "
                "write_latency_us=%.1f write_latency_max_us=%.1f delivery_latency_ms=%.1f delivery_latency_max_ms=%.1f "
                "block_ms=%.1f\n",
                cpu, arecordCpu, arecordCpu > 0 ? cpu / arecordCpu : 0.0, threadCpu, pluginCpu,
                stats.totalHandlerLatencyUs / blocks, static_cast<double>(stats.maxHandlerLatencyUs),
                stats.totalDeliveryLatencyUs / blocks / 1000.0, stats.maxDeliveryLatencyUs / 1000.0, 1000.0 / 48.0);
    return referenceOk ? 0 : 1;
}
