// Saving a recording: a writable name in the temporary folder, picture and
// sound merged into it, and the setting pointed at the result. Whatever goes
// wrong, the recording stays on disk in some form.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/core/SettingsCatalogue.h"
#include "platform/core/Trace.h"
#include "platform/files/RunFolder.h"
#include "recording/Recorder.h"
#include "recording/SaveFiles.h"
#include "recording/state/RecordingReport.h"

namespace kv {
namespace fs = std::filesystem;

std::string g_strSavedAviPath;

namespace {

constexpr int kNameAttempts = 4;
// A WAV file no longer than a header holds no sound worth keeping.
constexpr off_t kEmptySoundSize = 64;

void DeleteTempFile(const std::string& path) {
    if (!path.empty()) std::remove(path.c_str());
}

bool DiskWasFull(const std::string& why) { return why.find(std::strerror(ENOSPC)) != std::string::npos; }

bool HoldsSound(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && info.st_size > kEmptySoundSize;
}

// Tries the saved path, then the same name numbered 1, 2 and 3, until `attempt`
// succeeds; -10 when none does. Every failure is traced, the last one too.
template <typename Attempt, typename Failed>
int ChooseSavedPath(Attempt attempt, Failed failed) {
    const std::string first = g_strSavedAviPath;
    for (int tried = 0; tried < kNameAttempts; ++tried) {
        const std::string candidate = tried == 0 ? first : NumberedName(first, tried);
        if (attempt(candidate)) {
            g_strSavedAviPath = candidate;
            settings::AVIVideoFileName.Set(candidate);
            return 0;
        }
        failed(errno, NumberedName(first, tried + 1));
    }
    return -10;
}

}  // namespace

int CRecorder::SaveAVI() {
    Trace("SAVEAVI --- Started\n");
    const fs::path output(settings::AVIVideoFileName.Get());
    g_strSavedAviPath = (fs::path(GetTempFolder(output.parent_path().string())) / output.filename()).string();
    if (g_iRecordAudio == AUDIO_SOURCE_MIC) return SaveWithSound();
    return SaveWithoutSound();
}

int CRecorder::SaveWithoutSound() {
    Trace("SAVEAVI --- Audio not present(Without Audio)\n");
    return ChooseSavedPath(
        [&](const std::string& candidate) { return MoveFileTo(m_strTempVideoPath, candidate, true); },
        [](int error, const std::string& next) {
            TraceF("SaveAVI:Unable to create new file, Error No :%d (Without Audio)", error);
            Trace("SaveAVI : MoveFile Failed (Without Audio)!");
            TraceF("SaveAVI: Retrying with filename %s (Without Audio)", next.c_str());
        });
}

int CRecorder::SaveWithSound() {
    Trace("SAVEAVI --- Audio present\n");
    const int chosen = ChooseSavedPath(ProbeWritable, [](int error, const std::string& next) {
        TraceF("SaveAVI:Unable to create new file, Error No :%d", error);
        TraceF("SaveAVI: Retrying with filename %s\n", next.c_str());
    });
    if (chosen != 0) return chosen;
    Trace("AUDIO_SOURCE_MIC\tCRecorder::SaveAVI() Merge_Video_And_Sound_File will start now.\n");
    std::string why;
    const int result = Merge_Video_And_Sound_File(m_strTempVideoPath, m_strTempSoundPath, g_strSavedAviPath, &why);
    switch (result) {
    case 0:
        Trace("CRecorder::SaveAVI( ) result == 0\n");
        DeleteTempFile(m_strTempVideoPath);
        DeleteTempFile(m_strTempSoundPath);
        return 0;
    case 1:
    case 3:
        // The picture cannot be read; the files stay where they are, so that
        // what can be recovered (the sound at least) is not thrown away.
        TraceF("CRecorder::SaveAVI() result == %d\n", result);
        TraceF("SaveAVI : recording kept as %s and %s\n", m_strTempVideoPath.c_str(), m_strTempSoundPath.c_str());
        KeepInRunFolder(m_strTempVideoPath);
        KeepInRunFolder(m_strTempSoundPath);
        return result == 1 ? -6 : -7;
    case 2:
    case 4:
        Trace("CRecorder::SaveAVI() (result == 2) || (result == 4)\n");
        return SaveVideoOnly();
    case 5:
        Trace("CRecorder::SaveAVI() result == 5\n");
        return SaveSeparately(why);
    default:
        return 0;
    }
}

// The sound could not be read: the video alone becomes the recording. A sound
// file with data in it is kept beside it, in case it can be repaired.
int CRecorder::SaveVideoOnly() {
    if (!MoveFileTo(m_strTempVideoPath, g_strSavedAviPath, false)) {
        Trace("SaveAVI: File Creation Error. Unable to rename/copy file.");
        return -8;
    }
    if (HoldsSound(m_strTempSoundPath) && MoveFileTo(m_strTempSoundPath, g_strSavedAviPath + ".wav", true)) {
        TraceF("SaveAVI : unreadable sound kept as %s.wav\n", g_strSavedAviPath.c_str());
        KeepInRunFolder(g_strSavedAviPath + ".wav");
    } else {
        DeleteTempFile(m_strTempSoundPath);
    }
    Trace("NO SOUND TRACK");
    return 0;
}

// The merge could not be written: picture and sound are kept as two files.
int CRecorder::SaveSeparately(const std::string& why) {
    if (!MoveFileTo(m_strTempVideoPath, g_strSavedAviPath, false)) {
        Trace("SaveAVI : File Creation Error. Unable to rename/copy video file.");
        return -9;
    }
    const std::string soundPath = g_strSavedAviPath + ".wav";
    if (!MoveFileTo(m_strTempSoundPath, soundPath, true)) {
        Trace("SaveAVI : File Creation Error. Unable to rename/copy audio file.");
        return -9;
    }
    KeepInRunFolder(g_strSavedAviPath);
    KeepInRunFolder(soundPath);
    Trace("Tapewell is unable to merge the video with audio files. Your video and audio files are saved "
          "separately as \n\n" + g_strSavedAviPath + "\n" + soundPath);
    const std::string folder = fs::path(g_strSavedAviPath).parent_path().string();
    const std::string full = DiskWasFull(why) ? "No space left on " + folder + ". " : "";
    SetRecordingNotice(full + "Kalvista could not merge the video with its sound. They are saved separately as\n" +
                       g_strSavedAviPath + "\n" + soundPath);
    return 0;
}

void ReportIncompleteVideo(const std::string& why, const std::string& written, const std::string& kept) {
    KeepInRunFolder(kept);
    const std::string folder = fs::path(written).parent_path().string();
    const std::string reason =
        DiskWasFull(why) ? "No space left on " + folder : "The video file could not be written in full (" + why + ")";
    SetRecordingFailure(reason + ". The video holds the recording up to that point.\n" +
                        "The recording is kept at " + kept);
}

}  // namespace kv
