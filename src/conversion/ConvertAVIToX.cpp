#include "conversion/ConvertAVIToX.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "app/core/SettingsCatalogue.h"
#include "platform/core/Paths.h"
#include "platform/core/Trace.h"
#include "platform/process/ChildProcess.h"

namespace kv {

namespace fs = std::filesystem;

namespace {

// ffmpeg's own report goes to a log of its own, so a failure can say why.
fs::path ConverterLogPath() {
    static std::atomic<int> counter{0};
    std::error_code error;
    fs::path folder = fs::temp_directory_path(error);
    if (error) folder = "/tmp";
    return folder / ("kalvista-ffmpeg-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + ".log");
}

std::string LastLine(const fs::path& log) {
    std::ifstream in(log);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return last;
}

void RemovePartialOutput(const std::string& outputFile) {
    std::error_code error;
    fs::remove(outputFile, error);
}

// Runs the command to its end; true when ffmpeg exited with 0.
bool RunConverter(const ConverterCommand& command, const std::string& outputFile) {
    SpawnOptions options;
    options.searchFirst = {ProgramFolder()};
    options.newProcessGroup = true;
    options.outputFile = ConverterLogPath();
    int error = 0;
    ChildProcess converter = ChildProcess::Spawn(command.argv, options, &error);
    if (!converter.Started()) {
        TraceF("CWaitDlg::ConvertAVIToX : CreateProcess() Fails with err code : %d", error);
        return false;
    }
    const int status = converter.Wait().value_or(255);
    const std::string reason = status != 0 ? LastLine(options.outputFile) : std::string();
    std::error_code ignored;
    fs::remove(options.outputFile, ignored);
    if (status != 0) {
        TraceF("CWaitDlg::ConvertAVIToX : ffmpeg failed with exit code : %d : %s\n", status, reason.c_str());
        RemovePartialOutput(outputFile);
        return false;
    }
    if (!fs::exists(outputFile, ignored)) {
        Trace("CWaitDlg::ConvertAVIToX : ffmpeg created no output file\n");
        return false;
    }
    return true;
}

}  // namespace

bool ConvertAVIToX(const std::string& inputFile, const std::string& outputFile, int formatIndex, double frameRate,
                   int audioSampleRate, int audioBitRate) {
    try {
        if (ProgramFolder().empty()) {
            TraceF("CWaitDlg::ConvertAVIToX: GetModuleFileName Fails with err code : %d", errno);
            return false;
        }
        const bool powerPlugs = settings::SupportPowerPlugs.Get() != 0;
        const int quality = static_cast<int>(settings::QualityFactor.Get());
        const ConverterCommand command = BuildConverterCommand(inputFile, outputFile, formatIndex, frameRate,
                                                               audioSampleRate, audioBitRate, powerPlugs, quality);
        if (!command.HasArguments()) {
            // Nothing to convert to: running a bare "ffmpeg" would only print its help.
            TraceF("CWaitDlg::ConvertAVIToX : No converter command for format index %d\n", formatIndex);
            return false;
        }
        std::error_code same;
        if (fs::equivalent(inputFile, outputFile, same)) {
            // A failed run removes its output: never let that be the recording.
            Trace("CWaitDlg::ConvertAVIToX : Output file is the input file\n");
            return false;
        }
        TraceF("CWaitDlg::ConvertAVIToX : %s\n", command.text.c_str());
        return RunConverter(command, outputFile);
    } catch (...) {
        Trace("CWaitDlg::ConvertAVIToX : Exception Caught.\n");
        return false;
    }
}

}  // namespace kv
