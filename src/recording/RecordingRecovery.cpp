#include "recording/RecordingRecovery.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/core/PrintableText.h"
#include "platform/core/PrivateFiles.h"
#include "platform/core/Trace.h"
#include "platform/files/RunFolder.h"
#include "platform/media/AviReindex.h"
#include "recording/Recorder.h"
#include "recording/SaveFiles.h"

namespace kv {
namespace fs = std::filesystem;

namespace {

// A WAV file no longer than its header holds no sound.
constexpr off_t kEmptySoundSize = 64;
constexpr const char* kJournalName = "~Record.avi.journal";

fs::path JournalFor(const std::string& tempVideo) { return tempVideo + ".journal"; }

off_t SizeOf(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

// What a journal names, once it has been found sound: the recording's files
// are plain files of ours directly in the journal's own folder, and the
// video was meant for an absolute path in a folder that exists.
struct Journal {
    std::string video, sound, output;
};

bool OwnFileIn(const fs::path& folder, const std::string& path) {
    const fs::path file = fs::path(path).lexically_normal();
    struct stat info {};
    return file.is_absolute() && file.parent_path() == folder && ::lstat(file.c_str(), &info) == 0 &&
           S_ISREG(info.st_mode) && info.st_uid == ::geteuid();
}

std::optional<Journal> ReadJournal(const fs::path& folder, std::string* why) {
    std::ifstream in(folder / kJournalName, std::ios::binary);
    Journal journal;
    if (!std::getline(in, journal.video, '\0') || !std::getline(in, journal.sound, '\0') ||
        !std::getline(in, journal.output, '\0')) {
        *why = "it is incomplete";
        return std::nullopt;
    }
    std::error_code error;
    const fs::path output(journal.output);
    if (!OwnFileIn(folder, journal.video) || (!journal.sound.empty() && !OwnFileIn(folder, journal.sound))) {
        *why = "it names a file outside its own folder";
    } else if (!output.is_absolute() || !fs::is_directory(output.parent_path(), error)) {
        *why = "the video it was meant for has no folder";
    } else if (SizeOf(journal.video) <= 0) {
        *why = "nothing was recorded";
    } else {
        return journal;
    }
    return std::nullopt;
}

// "<folder>/<name>-recovered.avi" for the output "<folder>/<name>.<ext>",
// numbered when taken, made here as a new empty file (never through a link).
std::string ReserveRecoveredName(const std::string& output) {
    const fs::path wanted(output);
    const std::string first = (wanted.parent_path() / (wanted.stem().string() + "-recovered.avi")).string();
    for (int number = 0; number < 1000; ++number) {
        const std::string candidate = number == 0 ? first : NumberedName(first, number);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST) break;
    }
    return {};
}

void RemoveFiles(std::initializer_list<std::string> paths) {
    std::error_code ignored;
    for (const std::string& path : paths)
        if (!path.empty()) fs::remove(path, ignored);
}

std::string NotRebuilt(const std::string& target, const std::string& video, bool diskFull) {
    const std::string why = diskFull ? "No space left on " + PrintableText(fs::path(target).parent_path().string())
                                     : "cannot write " + PrintableText(target);
    return "An interrupted recording could not be rebuilt (" + why + "); it is kept at " + video;
}

RecoveryResult Rebuild(const Journal& journal) {
    RecoveryResult result;
    const std::string target = ReserveRecoveredName(journal.output);
    if (target.empty()) {
        result.problem = NotRebuilt(journal.output, journal.video, errno == ENOSPC);
        return result;
    }
    // The video has no index yet: its packets are copied into one that has.
    const std::string indexed = journal.video + ".indexed.avi";
    std::string why;
    if (!media::ReindexAvi(journal.video, indexed, &why)) {
        TraceF("RecoverInterruptedRecording : %s: %s\n", journal.video.c_str(), why.c_str());
        RemoveFiles({target});
        const bool diskFull = why.find(std::strerror(ENOSPC)) != std::string::npos;
        if (diskFull || why.rfind("writing", 0) == 0 || why.rfind("creating", 0) == 0)
            result.problem = NotRebuilt(target, journal.video, diskFull);
        else
            result.problem = "An interrupted recording could not be read; it is kept at " + journal.video;
        return result;
    }
    const int merged =
        SizeOf(journal.sound) > kEmptySoundSize ? Merge_Video_And_Sound_File(indexed, journal.sound, target) : 2;
    if (merged == 0) {
        RemoveFiles({indexed, journal.video, journal.sound});
        result.recovered = target;
    } else if (merged != 5 && MoveFileTo(indexed, target, true)) {
        // The picture alone; sound that could not be read stays where it is.
        RemoveFiles({journal.video});
        result.recovered = target;
    } else {
        const bool diskFull = errno == ENOSPC;
        RemoveFiles({indexed, target});
        result.problem = NotRebuilt(target, journal.video, diskFull);
    }
    TraceF("RecoverInterruptedRecording : %s%s\n", result.recovered.c_str(), result.problem.c_str());
    return result;
}

// Every file of the folder but its journal: what an unusable journal leaves.
std::vector<fs::path> FilesBesideJournal(const fs::path& folder) {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.path().filename() != kJournalName) files.push_back(entry.path().lexically_normal());
    return files;
}

}  // namespace

void WriteRecordingJournal(const std::string& tempVideo, const std::string& tempSound, const std::string& output) {
    const fs::path journal = JournalFor(tempVideo);
    const fs::path partial = journal.string() + ".new";
    std::error_code error;
    fs::remove(partial, error);
    // Names end in NUL: a path may hold any other character, a newline too.
    const std::string text = tempVideo + '\0' + tempSound + '\0' + output + '\0';
    const int fd = CreatePrivateFile(partial);
    const bool written = fd >= 0 && ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (fd >= 0 && ::close(fd) != 0 && written) TraceF("WriteRecordingJournal : cannot write %s\n", partial.c_str());
    if (!written) {
        TraceF("WriteRecordingJournal : cannot write %s\n", partial.c_str());
        return;
    }
    fs::rename(partial, journal, error);
    if (error) TraceF("WriteRecordingJournal : cannot write %s: %s\n", journal.c_str(), error.message().c_str());
}

void RemoveRecordingJournal(const std::string& tempVideo) { RemoveFiles({JournalFor(tempVideo).string()}); }

std::optional<RecoveryResult> RecoverInterruptedRecording() {
    try {
        for (const fs::path& folder : AbandonedRuns()) {
            std::error_code error;
            if (!fs::exists(folder / kJournalName, error)) {
                RetireRun(folder);  // what a killed run left: nothing to rebuild
                continue;
            }
            std::string why;
            const std::optional<Journal> journal = ReadJournal(folder, &why);
            if (!journal) {
                // Nothing is opened, moved or deleted on an unusable journal's word.
                TraceF("RecoverInterruptedRecording : the journal in %s is ignored: %s\n", folder.c_str(), why.c_str());
                RetireRun(folder, FilesBesideJournal(folder));
                continue;
            }
            Trace("RecoverInterruptedRecording : an interrupted recording was found\n");
            RecoveryResult result = Rebuild(*journal);
            // A recording named as kept stays where it is, and so does sound
            // that could not be read.
            std::vector<fs::path> kept = FilesBesideJournal(folder);
            if (!result.recovered.empty()) kept = {fs::path(journal->sound).lexically_normal()};
            RetireRun(folder, kept);
            return result;
        }
    } catch (...) {
        Trace("RecoverInterruptedRecording : Exception Caught.\n");
    }
    return std::nullopt;
}

}  // namespace kv
