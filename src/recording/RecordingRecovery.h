#pragma once
// A recording cut off by a crash or a kill: while recording, a small journal
// beside the temporary files names them and the video they were meant for.
// At the next start the journal is found before anything is deleted, and the
// recording is rebuilt with its sound as "<name>-recovered.avi" beside that
// video. The video file has no index then, but every packet is on disk.
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

// Rebuilds an interrupted recording found in the temporary folder; nothing
// when there is none.
std::optional<RecoveryResult> RecoverInterruptedRecording();

}  // namespace kv
