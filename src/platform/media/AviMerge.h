#pragma once
// Puts a recording's picture and sound into one AVI: the video stream copied
// packet for packet (positions kept, empty positions too), the WAV file's PCM
// sound added, both interleaved by time. Nothing is re-encoded.
#include <functional>
#include <string>

namespace kv::media {

enum class MergeStatus {
    Merged,
    VideoNotOpened,   // the video file cannot be read
    NoVideoStream,    // it holds no video stream
    VideoEmpty,       // its video stream holds no frame
    SoundNotOpened,   // the sound file cannot be read (a broken header too)
    NoSoundStream,    // it holds no sound stream
    SoundNotPcm,      // its sound is not PCM, or there is none of it
    WriteFailed,      // the merged file could not be written; it is removed
};

struct MergeOutcome {
    MergeStatus status = MergeStatus::Merged;
    int error = 0;    // the FFmpeg error behind the status, when there is one
    std::string why;  // a readable cause for the trace
};

// `progress` gets the percentage done, rising from 0 to 100 (100 only after
// a successful merge), each value once. The inputs are only read, and only
// as an AVI file and a WAV file.
MergeOutcome MergeVideoAndSound(const std::string& videoPath, const std::string& soundPath,
                                const std::string& outputPath,
                                const std::function<void(int percent)>& progress);

}  // namespace kv::media
