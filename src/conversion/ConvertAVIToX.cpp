#include "conversion/ConvertAVIToX.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>

#include "app/core/SettingsCatalogue.h"
#include "conversion/ConversionProgress.h"
#include "conversion/SlideChapters.h"
#include "platform/core/Paths.h"
#include "platform/core/PrintableText.h"
#include "platform/core/PrivateFiles.h"
#include "platform/files/RunFolder.h"
#include "platform/media/MediaInfo.h"
#include "platform/core/Trace.h"
#include "platform/media/MediaDuration.h"
#include "platform/process/ChildProcess.h"

namespace kv {

namespace fs = std::filesystem;

namespace {

// ffmpeg's own report goes to a log of its own, so a failure can say why.
// Each file is made here, new and private, before ffmpeg writes into it.
fs::path ConverterTempPath(const std::string& extension) {
    const fs::path path = NewRunFile("ffmpeg", extension);
    if (!ReservePrivateFile(path)) TraceF("CWaitDlg::ConvertAVIToX : cannot make %s\n", path.c_str());
    return path;
}

std::atomic<int> g_iLimitBaseMs{ConverterTimeLimit{}.baseMs};
std::atomic<int> g_iLimitMsPerSecond{ConverterTimeLimit{}.msPerVideoSecond};

// The last line ffmpeg wrote that says something: progress lines end in a
// carriage return, and "Conversion failed!" only repeats that it failed.
std::string LastErrorLine(const fs::path& log) {
    std::ifstream in(log);
    std::string line, last;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        const size_t cr = line.rfind('\r');
        if (cr != std::string::npos) line.erase(0, cr + 1);
        if (!line.empty() && line != "Conversion failed!") last = line;
    }
    return last;
}

// The line in which ffmpeg said it could not write or close its output; empty
// when there is none.
std::string OutputWriteError(const fs::path& log) {
    std::ifstream in(log);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("Error writing trailer", 0) == 0 || line.rfind("Error closing file", 0) == 0 ||
            line.find("No space left on device") != std::string::npos)
            return line;
    return {};
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

// The chapters (and `track`, the notes) of the slides this recording
// showed, for formats that keep them; nothing when no slide was recorded.
// A file that cannot be written costs only its part.
ChapterInput PrepareSlideInputs(const ShownSlides& slides, int formatIndex, double seconds, const NotesTrack& track,
                                const TempFile& metadata, const TempFile& cues) {
    ChapterInput input;
    if (slides.empty() || !FormatKeepsChapters(formatIndex)) return input;
    if (WriteTextFile(metadata.path, ChapterMetadata(slides, seconds))) {
        input.metadataFile = metadata.path.string();
        input.keyFrameTimes = SlideKeyFrameTimes(slides);
    } else {
        TraceF("CWaitDlg::ConvertAVIToX : Unable to write the chapters to %s\n", metadata.path.c_str());
    }
    if (track.codec.empty() || !HasNotes(slides)) return input;
    if (WriteTextFile(cues.path, track.text)) {
        input.subtitleFile = cues.path.string();
        input.subtitleCodec = track.codec;
    } else {
        TraceF("CWaitDlg::ConvertAVIToX : Unable to write the subtitles to %s\n", cues.path.c_str());
    }
    return input;
}

// A file beside the video is made new: one already there (an older list, or
// a link someone put in the folder) is never written over; the name gets a
// number instead, as the video's does.
void WriteBesideVideo(const std::string& video, const std::string& suffix, const std::string& text) {
    for (int number = 0; number < 1000; ++number) {
        const std::string path = SidecarPath(video, suffix, number);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST) continue;
        bool written = fd >= 0;
        for (std::size_t done = 0; written && done < text.size();) {
            const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
            written = wrote > 0;
            if (written) done += static_cast<std::size_t>(wrote);
        }
        if (fd >= 0 && ::close(fd) != 0) written = false;
        if (!written) TraceF("CWaitDlg::ConvertAVIToX : Unable to write %s\n", path.c_str());
        return;
    }
}

// The chapter list (and the notes as SubRip) beside a finished video.
void WriteSidecars(const ShownSlides& slides, const std::string& outputFile, double seconds, bool subtitles) {
    if (slides.empty()) return;
    WriteBesideVideo(outputFile, kChapterListSuffix, ChapterListText(slides));
    if (subtitles && HasNotes(slides)) WriteBesideVideo(outputFile, kSubtitleSuffix, NotesSubtitles(slides, seconds));
}

void RemovePartialOutput(const std::string& outputFile) {
    std::error_code error;
    fs::remove(outputFile, error);
}

std::string FolderOf(const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

// What the user reads for an exit status and ffmpeg's last error line.
std::string ExitReason(int status, const std::string& lastLine, const std::string& outputFile) {
    if (lastLine.find("No space left on device") != std::string::npos)
        return "No space left on " + PrintableText(FolderOf(outputFile));
    if (status > 128 && status < 160) return "ffmpeg was ended by signal " + std::to_string(status - 128);
    if (!lastLine.empty()) return lastLine;
    return "ffmpeg ended with exit status " + std::to_string(status);
}

// Waits for ffmpeg's end, at most `limitMs`, publishing what its progress
// report says meanwhile; nullopt when the time ran out.
std::optional<int> WaitReportingProgress(ChildProcess& converter, int limitMs, const fs::path& progressFile,
                                         double videoSeconds) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    ProgressReport report(videoSeconds);
    std::ifstream in;
    auto readNew = [&] {
        if (!in.is_open()) in.open(progressFile, std::ios::binary);
        if (!in.is_open()) return;
        in.clear();  // past the end last time: read on from there
        const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        report.Feed(text, std::chrono::duration<double>(Clock::now() - start).count());
    };
    for (;;) {
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        if (waited >= limitMs) return std::nullopt;
        const std::optional<int> status = converter.Wait(static_cast<int>(std::min<long long>(250, limitMs - waited)));
        readNew();
        if (status) return status;
    }
}

// Runs the command to its end or its time limit; true when ffmpeg exited
// with 0 and made the output. Otherwise *reason says why, in words.
bool RunConverter(const ConverterCommand& command, const std::string& inputFile, const std::string& outputFile,
                  std::string* reason) {
    SpawnOptions options;
    options.searchFirst = {ProgramFolder()};
    options.newProcessGroup = true;
    options.outputFile = ConverterTempPath(".log");
    const TempFile progressFile{ConverterTempPath(".progress")};
    // The report is a global option: it goes first, the traced command stays as it is.
    std::vector<std::string> argv = command.argv;
    argv.insert(argv.begin() + 1, {"-progress", progressFile.path.string()});
    int error = 0;
    StartConversionProgress();
    ChildProcess converter = ChildProcess::Spawn(argv, options, &error);
    if (!converter.Started()) {
        EndConversionProgress();
        TraceF("CWaitDlg::ConvertAVIToX : CreateProcess() Fails with err code : %d", error);
        *reason = error == ENOENT ? "ffmpeg was not found in " + ProgramFolder().string() + " or on PATH"
                                  : "ffmpeg could not be started: " + std::string(std::strerror(error));
        return false;
    }
    const double videoSeconds = media::MediaDurationSeconds(inputFile);
    const int limitMs = ConverterTimeLimitMs(videoSeconds);
    std::optional<int> status = WaitReportingProgress(converter, limitMs, progressFile.path, videoSeconds);
    EndConversionProgress();
    if (!status) {
        converter.Terminate();
        TraceF("CWaitDlg::ConvertAVIToX : ffmpeg did not finish within %d ms, ended\n", limitMs);
        *reason = "ffmpeg did not finish within " + std::to_string((limitMs + 999) / 1000) + " s";
    }
    const std::string lastLine = status && *status != 0 ? LastErrorLine(options.outputFile) : std::string();
    // ffmpeg exits with 0 when only the end of its file could not be written
    // (a full disk at the trailer): such a file is cut short, not a video.
    const std::string writeError = status && *status == 0 ? OutputWriteError(options.outputFile) : std::string();
    std::error_code ignored;
    fs::remove(options.outputFile, ignored);
    if (!writeError.empty()) {
        TraceF("CWaitDlg::ConvertAVIToX : ffmpeg could not write its output : %s\n", writeError.c_str());
        *reason = ExitReason(0, writeError, outputFile);
        RemovePartialOutput(outputFile);
        return false;
    }
    if (status && *status != 0) {
        TraceF("CWaitDlg::ConvertAVIToX : ffmpeg failed with exit code : %d : %s\n", *status, lastLine.c_str());
        *reason = ExitReason(*status, lastLine, outputFile);
    }
    if (!status || *status != 0) {
        RemovePartialOutput(outputFile);
        return false;
    }
    if (!fs::exists(outputFile, ignored)) {
        Trace("CWaitDlg::ConvertAVIToX : ffmpeg created no output file\n");
        *reason = "ffmpeg made no output file: " + PrintableText(outputFile);
        return false;
    }
    PublishConversionProgress(100, 0);
    return true;
}

}  // namespace

void SetConverterTimeLimit(const ConverterTimeLimit& limit) {
    g_iLimitBaseMs = limit.baseMs;
    g_iLimitMsPerSecond = limit.msPerVideoSecond;
}

int ConverterTimeLimitMs(double videoSeconds) {
    // A fixed limit from the environment: lets a check of a hanging ffmpeg
    // run in seconds without rebuilding.
    if (const char* fixed = std::getenv("KALVISTA_CONVERTER_TIME_LIMIT_MS")) {
        char* end = nullptr;
        const long ms = std::strtol(fixed, &end, 10);
        if (end != fixed && *end == '\0' && ms > 0 && ms <= std::numeric_limits<int>::max()) return static_cast<int>(ms);
    }
    const double ms = g_iLimitBaseMs.load() + std::max(0.0, videoSeconds) * g_iLimitMsPerSecond.load();
    return static_cast<int>(std::min(ms, static_cast<double>(std::numeric_limits<int>::max())));
}

namespace {

bool Convert(const std::string& inputFile, const std::string& outputFile, int formatIndex, double frameRate,
             int audioSampleRate, int audioBitRate, const ShownSlides* stillSlides, std::string* failure) {
    std::string ignoredReason;
    std::string& reason = failure ? *failure : ignoredReason;
    reason.clear();
    try {
        if (ProgramFolder().empty()) {
            TraceF("CWaitDlg::ConvertAVIToX: GetModuleFileName Fails with err code : %d", errno);
            reason = "the program's folder is not known";
            return false;
        }
        const bool powerPlugs = settings::SupportPowerPlugs.Get() != 0;
        const int quality = static_cast<int>(settings::QualityFactor.Get());
        // A rendered presentation brings its own slides, not the recording's.
        const ShownSlides slides = stillSlides ? *stillSlides : GetShownSlides();
        const bool subtitles = settings::NotesSubtitles.Get() != 0;
        const double seconds = slides.empty() ? 0 : media::ReadVideoStreamInfo(inputFile).seconds;
        const NotesTrack track = subtitles ? NotesTrackFor(formatIndex, slides, seconds) : NotesTrack{};
        const TempFile metadata{ConverterTempPath(".chapters")}, cues{ConverterTempPath(track.suffix)};
        const ChapterInput chapters = PrepareSlideInputs(slides, formatIndex, seconds, track, metadata, cues);
        ConverterCommand command = BuildConverterCommand(inputFile, outputFile, formatIndex, frameRate,
                                                         audioSampleRate, audioBitRate, powerPlugs, quality, chapters,
                                                         stillSlides != nullptr);
        if (!command.HasArguments()) {
            // Nothing to convert to: running a bare "ffmpeg" would only print its help.
            TraceF("CWaitDlg::ConvertAVIToX : No converter command for format index %d\n", formatIndex);
            reason = "no conversion is known for this output format";
            return false;
        }
        std::error_code same;
        if (fs::equivalent(inputFile, outputFile, same)) {
            // A failed run removes its output: never let that be the recording.
            Trace("CWaitDlg::ConvertAVIToX : Output file is the input file\n");
            reason = "the output file is the recording itself: " + PrintableText(outputFile);
            return false;
        }
        TraceF("CWaitDlg::ConvertAVIToX : %s\n", command.text.c_str());
        const bool converted = RunConverter(command, inputFile, outputFile, &reason);
        if (converted) WriteSidecars(slides, outputFile, seconds, subtitles);
        return converted;
    } catch (...) {
        Trace("CWaitDlg::ConvertAVIToX : Exception Caught.\n");
        reason = "an unexpected error ended the conversion";
        return false;
    }
}

}  // namespace

bool ConvertAVIToX(const std::string& inputFile, const std::string& outputFile, int formatIndex, double frameRate,
                   int audioSampleRate, int audioBitRate, std::string* failure) {
    return Convert(inputFile, outputFile, formatIndex, frameRate, audioSampleRate, audioBitRate, nullptr, failure);
}

bool ConvertStillPicturesAVIToX(const std::string& inputFile, const std::string& outputFile, int formatIndex,
                                double frameRate, int audioSampleRate, int audioBitRate, const ShownSlides& slides,
                                std::string* failure) {
    return Convert(inputFile, outputFile, formatIndex, frameRate, audioSampleRate, audioBitRate, &slides, failure);
}

}  // namespace kv
