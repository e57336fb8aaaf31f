#pragma once
// A recording cut off by a crash or a kill: while recording, a small journal
// beside the temporary files (in the run's own folder) names them and the
// video they were meant for. At the next start the folders of runs that were
// killed are found, and the recording is rebuilt with its sound as
// "<name>-recovered.avi" beside that video. The video file has no index then,
// but every packet is on disk. A journal is believed only about files in its
// own folder, and those are read as an AVI file and a WAV file only.
#include <optional>
#include <string>

namespace kv {

// Written when the recording's video file is open; removed when it has been saved.
void WriteRecordingJournal(const std::string& tempVideo, const std::string& tempSound, const std::string& output);
void RemoveRecordingJournal(const std::string& tempVideo);

struct RecoveryResult {
    std::string recovered;  // the rebuilt video; empty when it could not be made
    std::string problem;    // why not, with where the recording stays
};

// Rebuilds an interrupted recording of this user's runs; nothing when there
// is none. Folders of killed runs without a recording are removed.
std::optional<RecoveryResult> RecoverInterruptedRecording();

}  // namespace kv
