#include "conversion/TestAvi.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/process/ChildProcess.h"
#include "support/TempDir.h"

namespace kvtest {

int RunProgram(const std::vector<std::string>& argv, std::string* output) {
    TempDir dir("kalvista-run");
    kv::SpawnOptions options;
    options.outputFile = dir / "output.txt";
    kv::ChildProcess child = kv::ChildProcess::Spawn(argv, options);
    if (!child.Started()) return -1;
    const int status = child.Wait(120000).value_or(-2);
    if (output) {
        std::ifstream in(options.outputFile);
        std::stringstream text;
        text << in.rdbuf();
        *output = text.str();
    }
    return status;
}

namespace {
bool MakeAvi(const std::filesystem::path& path, int framesPerSecond, int sampleRate, double seconds,
             std::string* why, const std::string& size, int channels, const std::vector<std::string>& video) {
    const std::string duration = std::to_string(seconds);
    std::vector<std::string> argv = {
        "ffmpeg", "-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
        "testsrc=size=" + size + ":rate=" + std::to_string(framesPerSecond) + ":duration=" + duration, "-f", "lavfi",
        "-i", "sine=frequency=440:sample_rate=" + std::to_string(sampleRate) + ":duration=" + duration, "-ac",
        std::to_string(channels)};
    argv.insert(argv.end(), video.begin(), video.end());
    for (const char* rest : {"-c:a", "pcm_s16le", "-shortest"}) argv.push_back(rest);
    argv.push_back(path.string());
    std::string output;
    const int status = RunProgram(argv, &output);
    if (why) *why = output;
    return status == 0;
}
}  // namespace

bool MakeTestAvi(const std::filesystem::path& path, int framesPerSecond, int sampleRate, double seconds,
                 std::string* why, const std::string& size, int channels) {
    return MakeAvi(path, framesPerSecond, sampleRate, seconds, why, size, channels,
                   {"-c:v", "libx264", "-pix_fmt", "yuv444p", "-g", "1", "-preset", "superfast", "-crf", "10"});
}

bool MakeMpeg4Avi(const std::filesystem::path& path, int framesPerSecond, int sampleRate, double seconds) {
    return MakeAvi(path, framesPerSecond, sampleRate, seconds, nullptr, "160x120", 2, {"-c:v", "mpeg4", "-q:v", "5"});
}

namespace {
// The time of the last decoded frame, from ffmpeg's progress line.
double DecodedDuration(const std::filesystem::path& path) {
    std::string output;
    if (RunProgram({"ffmpeg", "-nostdin", "-i", path.string(), "-f", "null", "-"}, &output) != 0) return -1;
    const size_t at = output.rfind("time=");
    int hours = 0, minutes = 0;
    double seconds = 0;
    if (at == std::string::npos ||
        std::sscanf(output.c_str() + at, "time=%d:%d:%lf", &hours, &minutes, &seconds) != 3)
        return -1;
    return hours * 3600 + minutes * 60 + seconds;
}
}  // namespace

MediaFacts Probe(const std::filesystem::path& path) {
    std::string output;
    MediaFacts facts;
    if (RunProgram({"ffprobe", "-v", "error", "-show_entries", "format=duration:stream=codec_type", "-of",
                    "default=noprint_wrappers=1", path.string()},
                   &output) != 0)
        return facts;
    facts.hasVideo = output.find("codec_type=video") != std::string::npos;
    facts.hasAudio = output.find("codec_type=audio") != std::string::npos;
    const size_t at = output.find("duration=");
    if (at != std::string::npos && std::sscanf(output.c_str() + at, "duration=%lf", &facts.duration) == 1)
        return facts;
    facts.duration = DecodedDuration(path);  // SWF keeps no duration of its own
    return facts;
}

std::string StreamFacts(const std::filesystem::path& path) {
    std::string output;
    if (RunProgram({"ffprobe", "-v", "error", "-show_entries", "stream=codec_type,codec_name,profile,pix_fmt", "-of",
                    "csv=p=0:nk=1", path.string()},
                   &output) != 0)
        return {};
    // csv gives codec_name,profile,codec_type,pix_fmt per line (ffprobe's own order).
    std::vector<std::string> streams;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, ',');) fields.push_back(field);
        fields.resize(4);
        if (fields[1] == "unknown") fields[1].clear();
        if (fields[2] != "video" && fields[2] != "audio") continue;  // DVD navigation and the like
        streams.push_back(fields[2] + ":" + fields[0] + ":" + fields[1] + ":" + fields[3]);
    }
    std::sort(streams.begin(), streams.end(), std::greater<>());  // video first
    std::string facts;
    for (const auto& stream : streams) facts += (facts.empty() ? "" : " ") + stream;
    return facts;
}

}  // namespace kvtest
