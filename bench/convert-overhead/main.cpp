// convert-overhead: how much longer a conversion through ConvertAVIToX takes
// than the same ffmpeg command started directly. The recording is 60 s of
// 1280x720 at 10 fps with PCM sound, converted to MP4; the runs alternate so
// both sides see the same machine load, and the best rounds are compared.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/core/SettingsCatalogue.h"
#include "conversion/ConvertAVIToX.h"
#include "conversion/OutputFormats.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The reference: the same arguments, spawned and awaited with nothing around it.
int RunDirectly(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// CPU seconds of all reaped children so far: the converter's own work,
// which the machine's load does not stretch the way it stretches wall time.
double ChildCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
    const fs::path dir = fs::temp_directory_path() / ("kalvista-bench-convert-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const fs::path registry = dir / "Kalvista.reg";
    setenv("KALVISTA_REGISTRY", registry.c_str(), 1);
    const fs::path recording = dir / "~Record.avi";
    setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("making the recording: 60 s, 1280x720 at 10 fps, 44.1 kHz PCM\n");
    if (RunDirectly({"ffmpeg", "-nostdin", "-y", "-f", "lavfi", "-i", "testsrc=size=1280x720:rate=10:duration=60",
                     "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=60", "-ac", "2", "-c:v",
                     "mpeg4", "-q:v", "4", "-c:a", "pcm_s16le", "-shortest", recording.string()}) != 0) {
        std::fprintf(stderr, "could not make the recording\n");
        fs::remove_all(dir);
        return 1;
    }

    const fs::path ours = dir / "ours.mp4", direct = dir / "direct.mp4";
    const auto command =
        kv::BuildConverterCommand(recording.string(), direct.string(), kv::FORMAT_MP4, 10.0, 44100, 128, false, 80);
    std::printf("command: %s\n", command.text.c_str());
    std::vector<double> oursTimes, directTimes, oursCpu, directCpu;
    bool ok = true;
    // At least three rounds, more while the whole stays within about 90 s.
    const auto benchStart = Clock::now();
    for (int round = 0; ok && round < 7 && (round < 3 || Seconds(benchStart) < 90); ++round) {
        fs::remove(ours);
        fs::remove(direct);
        // Each side goes first in every other round, so neither always meets
        // the warmer cache or the busier moment.
        auto runDirect = [&] {
            const double cpu = ChildCpuSeconds();
            const auto start = Clock::now();
            ok &= RunDirectly(command.argv) == 0;
            directTimes.push_back(Seconds(start));
            directCpu.push_back(ChildCpuSeconds() - cpu);
        };
        auto runOurs = [&] {
            const double cpu = ChildCpuSeconds();
            const auto start = Clock::now();
            ok &= kv::ConvertAVIToX(recording.string(), ours.string(), kv::FORMAT_MP4, 10.0, 44100, 128);
            oursTimes.push_back(Seconds(start));
            oursCpu.push_back(ChildCpuSeconds() - cpu);
        };
        if (round % 2 == 0) runDirect(), runOurs();
        else runOurs(), runDirect();
        std::printf("round %d: ffmpeg by hand %.3f s (cpu %.3f s), ConvertAVIToX %.3f s (cpu %.3f s)\n", round + 1,
                    directTimes.back(), directCpu.back(), oursTimes.back(), oursCpu.back());
        std::fflush(stdout);
    }
    fs::remove_all(dir);
    if (!ok) {
        std::fprintf(stderr, "a conversion failed\n");
        return 1;
    }
    // Load on the machine only ever adds time, so the best round of each side
    // is the fairest figure; the medians are shown beside it.
    const double reference = *std::min_element(directTimes.begin(), directTimes.end());
    const double measured = *std::min_element(oursTimes.begin(), oursTimes.end());
    const double overhead = (measured - reference) / reference * 100.0;
    std::printf("median: ffmpeg by hand %.3f s (cpu %.3f s), ConvertAVIToX %.3f s (cpu %.3f s)\n",
                Median(directTimes), Median(directCpu), Median(oursTimes), Median(oursCpu));
    std::printf("best: ffmpeg by hand %.3f s, ConvertAVIToX %.3f s\n", reference, measured);
    std::printf("convert-overhead: ours_s=%.3f reference_s=%.3f overhead=%.2f ours_cpu_s=%.3f reference_cpu_s=%.3f\n",
                measured, reference, overhead, Median(oursCpu), Median(directCpu));
    return 0;
}
