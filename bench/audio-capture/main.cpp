// CPU and latency of sound capture at 48 kHz stereo, beside arecord capturing
// the same device at the same time with the same blocks (1000 frames, three
// of device buffering).
//   bench-audio-capture [seconds]   (60 by default)
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
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

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU seconds of this process's threads with the given name (the engine
// names its capture thread "kv-sound").
double ThreadCpuSeconds(const std::string& name) {
    double total = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string threadName;
        std::getline(comm, threadName);
        if (threadName != name) continue;
        std::ifstream stat(task.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i)
            if (i >= 14) ticks += std::stod(field);
        total += ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    kvtest::TestSoundSource sound;
    kvtest::ScopedRegistry registry;
    kvtest::TempDir dir("kalvista-bench");
    sound.SetTone(48000, 2, 16, 1000.0, seconds + 10);
    kv::AudioDeviceTable.Fill();
    kv::settings::SoundDevice.Set(0);
    const auto format = kv::MakePcmFormat(48000, 2, 16);

    const double childrenBefore = CpuSeconds(RUSAGE_CHILDREN);
    auto reference = kv::ChildProcess::Spawn({"arecord", "-q", "-D", "default", "-f", "S16_LE", "-r", "48000", "-c", "2", "--period-size=1000", "--buffer-size=3000",
                                              "-d", std::to_string(seconds), (dir / "arecord.wav").string()},
                                             {});
    kv::g_bRecording = 1;
    kv::InitAudioRecording(dir / "~Record001.wav");
    const double selfBefore = CpuSeconds(RUSAGE_SELF);
    const auto start = std::chrono::steady_clock::now();
    if (kv::StartAudioRecording(&format) != 1) {
        std::fprintf(stderr, "capture did not start: %s\n", kv::GetAudioCaptureProblem().c_str());
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double engineCpu = ThreadCpuSeconds("kv-sound");
    kv::g_bRecording = 0;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double selfCpu = CpuSeconds(RUSAGE_SELF) - selfBefore;
    kv::StopAudioRecording();
    kv::ClearAudioFile();
    const auto stats = kv::GetAudioCaptureStats();

    const bool referenceOk = reference.Started() && reference.Wait(20000) == 0;
    const double referenceCpu = CpuSeconds(RUSAGE_CHILDREN) - childrenBefore;
    const double blocks = std::max<double>(1, static_cast<double>(stats.blocksWritten));
    const double cpu = 100.0 * selfCpu / wall;
    const double arecordCpu = referenceOk ? 100.0 * referenceCpu / seconds : -1;
    const double threadCpu = 100.0 * engineCpu / wall;

    std::printf("capture %.1f s at 48 kHz stereo: %llu blocks of 1000 frames (%.1f ms each)\n", wall,
                static_cast<unsigned long long>(stats.blocksWritten), 1000.0 / 48.0);
    std::printf("CPU, %% of one core: capture %.3f (its thread %.3f, the rest is the ALSA pulse plugin's thread)"
                "   arecord on the same device %.3f\n", cpu, threadCpu, arecordCpu);
    std::printf("block read -> in file: mean %.1f us, max %.1f us\n", stats.totalHandlerLatencyUs / blocks,
                static_cast<double>(stats.maxHandlerLatencyUs));
    std::printf("last frame due -> in file: mean %.1f ms, max %.1f ms\n", stats.totalDeliveryLatencyUs / blocks / 1000.0,
                stats.maxDeliveryLatencyUs / 1000.0);
    if (!kv::GetAudioCaptureProblem().empty()) std::printf("problem: %s\n", kv::GetAudioCaptureProblem().c_str());
    std::printf("audio-capture: cpu=%.3f thread_cpu=%.3f arecord_cpu=%.3f write_latency_us=%.1f write_latency_max_us=%.1f "
                "delivery_latency_ms=%.1f delivery_latency_max_ms=%.1f block_ms=%.1f\n",
                cpu, threadCpu, arecordCpu, stats.totalHandlerLatencyUs / blocks, static_cast<double>(stats.maxHandlerLatencyUs),
                stats.totalDeliveryLatencyUs / blocks / 1000.0, stats.maxDeliveryLatencyUs / 1000.0, 1000.0 / 48.0);
    return 0;
}
