#include "recording/RecordingRecovery.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/core/SettingsCatalogue.h"
#include "platform/core/Trace.h"
#include "platform/media/AviReindex.h"
#include "recording/Recorder.h"
#include "recording/SaveFiles.h"

namespace kv {
namespace fs = std::filesystem;

namespace {

// A WAV file no longer than its header holds no sound.
constexpr off_t kEmptySoundSize = 64;

fs::path JournalFor(const std::string& tempVideo) { return tempVideo + ".journal"; }

// The journal of the temporary folder in use, where the recording's video is "~Record.avi".
fs::path JournalInTempFolder() {
    const std::string fallback = fs::path(settings::AVIVideoFileName.Get()).parent_path().string();
    return JournalFor((fs::path(GetTempFolder(fallback)) / "~Record.avi").string());
}

off_t SizeOf(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

// "<folder>/<name>-recovered.avi" for the output "<folder>/<name>.<ext>", numbered when taken.
std::string RecoveredName(const std::string& output) {
    const fs::path wanted(output);
    const std::string first = (wanted.parent_path() / (wanted.stem().string() + "-recovered.avi")).string();
    std::error_code error;
    std::string candidate = first;
    for (int number = 1; fs::exists(candidate, error); ++number) candidate = NumberedName(first, number);
    return candidate;
}

void RemoveFiles(std::initializer_list<std::string> paths) {
    std::error_code ignored;
    for (const std::string& path : paths)
        if (!path.empty()) fs::remove(path, ignored);
}

std::string NotRebuilt(const std::string& target, const std::string& video, bool diskFull) {
    const std::string why = diskFull ? "No space left on " + fs::path(target).parent_path().string()
                                     : "cannot write " + target;
    return "An interrupted recording could not be rebuilt (" + why + "); it is kept at " + video;
}

RecoveryResult Rebuild(const std::string& video, const std::string& sound, const std::string& output,
                       const fs::path& journal) {
    RecoveryResult result;
    const std::string target = RecoveredName(output);
    // The video has no index yet: its packets are copied into one that has.
    const std::string indexed = video + ".indexed.avi";
    std::string why;
    if (!media::ReindexAvi(video, indexed, &why)) {
        TraceF("RecoverInterruptedRecording : %s: %s\n", video.c_str(), why.c_str());
        const bool diskFull = why.find(std::strerror(ENOSPC)) != std::string::npos;
        if (diskFull || why.rfind("writing", 0) == 0 || why.rfind("creating", 0) == 0) {
            result.problem = NotRebuilt(target, video, diskFull);
        } else {
            // Nothing of the picture can be read; it will not get better, so ask no more.
            RemoveFiles({journal.string()});
            result.problem = "An interrupted recording could not be read; it is kept at " + video;
        }
        return result;
    }
    const int merged = SizeOf(sound) > kEmptySoundSize ? Merge_Video_And_Sound_File(indexed, sound, target) : 2;
    if (merged == 0) {
        RemoveFiles({indexed, video, sound, journal.string()});
        result.recovered = target;
    } else if (merged != 5 && MoveFileTo(indexed, target, false)) {
        // The picture alone; sound that could not be read stays where it is.
        RemoveFiles({video, journal.string()});
        result.recovered = target;
    } else {
        const bool diskFull = errno == ENOSPC;
        RemoveFiles({indexed});
        result.problem = NotRebuilt(target, video, diskFull);
    }
    TraceF("RecoverInterruptedRecording : %s%s\n", result.recovered.c_str(), result.problem.c_str());
    return result;
}

}  // namespace

void WriteRecordingJournal(const std::string& tempVideo, const std::string& tempSound, const std::string& output) {
    const fs::path journal = JournalFor(tempVideo);
    const fs::path partial = journal.string() + ".new";
    {
        // Names end in NUL: a path may hold any other character, a newline too.
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out << tempVideo << '\0' << tempSound << '\0' << output << '\0';
        if (!out.flush()) {
            TraceF("WriteRecordingJournal : cannot write %s\n", partial.c_str());
            return;
        }
    }
    std::error_code error;
    fs::rename(partial, journal, error);
    if (error) TraceF("WriteRecordingJournal : cannot write %s: %s\n", journal.c_str(), error.message().c_str());
}

void RemoveRecordingJournal(const std::string& tempVideo) { RemoveFiles({JournalFor(tempVideo).string()}); }

std::optional<RecoveryResult> RecoverInterruptedRecording() {
    try {
        const fs::path journal = JournalInTempFolder();
        std::ifstream in(journal, std::ios::binary);
        if (!in) return std::nullopt;
        std::string video, sound, output;
        const bool whole = std::getline(in, video, '\0') && std::getline(in, sound, '\0') &&
                           std::getline(in, output, '\0');
        in.close();
        if (!whole || SizeOf(video) <= 0 || output.empty()) {
            TraceF("RecoverInterruptedRecording : nothing to recover in %s\n", journal.c_str());
            RemoveFiles({journal.string()});
            return std::nullopt;
        }
        Trace("RecoverInterruptedRecording : an interrupted recording was found\n");
        return Rebuild(video, sound, output, journal);
    } catch (...) {
        Trace("RecoverInterruptedRecording : Exception Caught.\n");
        return std::nullopt;
    }
}

}  // namespace kv
