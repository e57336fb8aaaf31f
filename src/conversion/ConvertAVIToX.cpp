#include "conversion/ConvertAVIToX.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>

#include "app/core/SettingsCatalogue.h"
#include "conversion/SlideChapters.h"
#include "platform/core/Paths.h"
#include "platform/media/MediaInfo.h"
#include "platform/core/Trace.h"
#include "platform/process/ChildProcess.h"

namespace kv {

namespace fs = std::filesystem;

namespace {

// ffmpeg's own report goes to a log of its own, so a failure can say why.
fs::path ConverterTempPath(const char* extension) {
    static std::atomic<int> counter{0};
    std::error_code error;
    fs::path folder = fs::temp_directory_path(error);
    if (error) folder = "/tmp";
    return folder / ("kalvista-ffmpeg-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + extension);
}

std::string LastLine(const fs::path& log) {
    std::ifstream in(log);
    std::string line, last;
    while (std::getline(in, line))
        if (!line.empty()) last = line;
    return last;
}

bool WriteTextFile(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

// A temporary file that goes whichever way the conversion ends.
struct TempFile {
    fs::path path;
    ~TempFile() {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
};

// The chapters (and with `subtitles` the notes) of the slides this
// recording showed, for formats that keep them; nothing when no slide was
// recorded. A file that cannot be written costs only its part.
ChapterInput PrepareSlideInputs(const ShownSlides& slides, int formatIndex, double seconds, bool subtitles,
                                const TempFile& metadata, const TempFile& cues) {
    ChapterInput input;
    if (slides.empty() || !FormatKeepsChapters(formatIndex)) return input;
    if (WriteTextFile(metadata.path, ChapterMetadata(slides, seconds))) {
        input.metadataFile = metadata.path.string();
        input.keyFrameTimes = SlideKeyFrameTimes(slides);
    } else {
        TraceF("CWaitDlg::ConvertAVIToX : Unable to write the chapters to %s\n", metadata.path.c_str());
    }
    if (!subtitles || !HasNotes(slides)) return input;
    if (WriteTextFile(cues.path, NotesSubtitles(slides, seconds))) {
        input.subtitleFile = cues.path.string();
        input.subtitleCodec = SubtitleCodecOf(formatIndex);
    } else {
        TraceF("CWaitDlg::ConvertAVIToX : Unable to write the subtitles to %s\n", cues.path.c_str());
    }
    return input;
}

void WriteBesideVideo(const std::string& path, const std::string& text) {
    if (!WriteTextFile(path, text)) TraceF("CWaitDlg::ConvertAVIToX : Unable to write %s\n", path.c_str());
}

// The chapter list (and the notes as SubRip) beside a finished video.
void WriteSidecars(const ShownSlides& slides, const std::string& outputFile, double seconds, bool subtitles) {
    if (slides.empty()) return;
    WriteBesideVideo(ChapterListPath(outputFile), ChapterListText(slides));
    if (subtitles && HasNotes(slides)) WriteBesideVideo(SubtitlePath(outputFile), NotesSubtitles(slides, seconds));
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
    options.outputFile = ConverterTempPath(".log");
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
        const ShownSlides slides = GetShownSlides();
        const bool subtitles = settings::NotesSubtitles.Get() != 0;
        const double seconds = slides.empty() ? 0 : media::ReadVideoStreamInfo(inputFile).seconds;
        const TempFile metadata{ConverterTempPath(".chapters")}, cues{ConverterTempPath(".srt")};
        const ChapterInput chapters = PrepareSlideInputs(slides, formatIndex, seconds, subtitles, metadata, cues);
        const ConverterCommand command = BuildConverterCommand(inputFile, outputFile, formatIndex, frameRate,
                                                               audioSampleRate, audioBitRate, powerPlugs, quality,
                                                               chapters);
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
        const bool converted = RunConverter(command, outputFile);
        if (converted) WriteSidecars(slides, outputFile, seconds, subtitles);
        return converted;
    } catch (...) {
        Trace("CWaitDlg::ConvertAVIToX : Exception Caught.\n");
        return false;
    }
}

}  // namespace kv
