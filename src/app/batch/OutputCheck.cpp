#include "app/batch/OutputCheck.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/core/PrivateFiles.h"
#include "platform/core/PrintableText.h"
#include "platform/files/RunFolder.h"
#include "platform/process/ChildProcess.h"

namespace kv {
namespace fs = std::filesystem;

namespace {

constexpr int kProbeTimeoutMs = 60000;

struct ProbeResult {
    bool ran = false;
    int status = -1;
    std::string output;
};

ProbeResult Probe(const std::vector<std::string>& argv) {
    ProbeResult result;
    // Several videos may be checked at once (rendering jobs): a report each,
    // made new and private in the run's folder, so nobody can plant its lines.
    const fs::path report = NewRunFile("probe", ".txt");
    if (!ReservePrivateFile(report)) return result;
    SpawnOptions options;
    options.outputFile = report;
    ChildProcess probe = ChildProcess::Spawn(argv, options);
    if (probe.Started()) {
        auto status = probe.Wait(kProbeTimeoutMs);
        if (!status) probe.Terminate(1000);
        result.ran = status.has_value();
        result.status = status.value_or(-1);
    }
    std::ifstream in(report);
    std::stringstream text;
    text << in.rdbuf();
    result.output = text.str();
    std::error_code ec;
    fs::remove(report, ec);
    return result;
}

// Streams and duration from the container, after reading every packet.
ProbeResult ProbeContainer(const std::string& path) {
    return Probe({"ffprobe", "-v", "error", "-count_packets", "-show_entries",
                  "stream=codec_type,nb_read_packets:format=duration", "-of", "default=noprint_wrappers=1", path});
}

// The length of a video whose container keeps none (SWF): its decoded
// frames over its frame rate; 0 when no frame decodes.
double DecodedSeconds(const std::string& path) {
    const ProbeResult probe = Probe({"ffprobe", "-v", "error", "-select_streams", "v:0", "-count_frames",
                                     "-show_entries", "stream=nb_read_frames,r_frame_rate", "-of",
                                     "default=noprint_wrappers=1", path});
    if (!probe.ran || probe.status != 0) return 0;
    long frames = 0;
    double num = 0, den = 0;
    std::istringstream lines(probe.output);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("nb_read_frames=", 0) == 0) frames = std::atol(line.c_str() + 15);
        else if (line.rfind("r_frame_rate=", 0) == 0) std::sscanf(line.c_str() + 13, "%lf/%lf", &num, &den);
        else if (line.find("rror") != std::string::npos) return 0;
    }
    return frames > 0 && num > 0 && den > 0 ? frames * den / num : 0;
}

}  // namespace

OutputCheck CheckOutputFile(const std::string& path) {
    OutputCheck check;
    std::error_code ec;
    if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) == 0) {
        check.problem = "no output file was made: " + PrintableText(path);
        return check;
    }
    const ProbeResult probe = ProbeContainer(path);
    if (!probe.ran || probe.status != 0) {
        check.problem = "the output file cannot be read to the end: " + PrintableText(path);
        return check;
    }
    bool video = false;
    long packets = 0;
    std::istringstream lines(probe.output);
    for (std::string line; std::getline(lines, line);) {
        if (line == "codec_type=video") video = true;
        else if (line.rfind("nb_read_packets=", 0) == 0) packets += std::atol(line.c_str() + 16);
        else if (line.rfind("duration=", 0) == 0) check.seconds = std::atof(line.c_str() + 9);
        else if (line.find("rror") != std::string::npos) check.problem = line;
    }
    if (!check.problem.empty()) return check;
    if (!video || packets == 0) {
        check.problem = "the output file holds no picture: " + PrintableText(path);
        return check;
    }
    if (check.seconds <= 0) check.seconds = DecodedSeconds(path);
    if (check.seconds <= 0) check.problem = "the output file has no length: " + PrintableText(path);
    else check.complete = true;
    return check;
}

}  // namespace kv
