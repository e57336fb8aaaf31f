#pragma once
// The sound capture engine: one capture at a time, from the device chosen in
// the settings into the temporary WAV file. A capture thread of the engine
// reads 1000-frame blocks from ALSA (three blocks of device buffering) and
// hands each to OnWIM_DATA, which writes it unless the recording is paused.
//
// Order of use, on the recording thread:
//   InitAudioRecording(path); StartAudioRecording(nullptr);
//   ... g_bRecording / g_bPaused drive what is kept ...
//   StopAudioRecording(); ClearAudioFile();   // the WAV file is complete now
#include <atomic>
#include <filesystem>
#include <string>

#include "audio/AudioFormat.h"
#include "audio/Buffer.h"
#include "audio/SilenceWatch.h"
#include "audio/SoundFile.h"

namespace kv {

extern PcmFormat g_RecordFormat;
extern std::atomic<int> g_nSamplesPerBuffer;
extern std::atomic<int> g_nQueuedBuffers;
extern std::atomic<bool> g_bStoppingAudio;

// Prepares a capture: builds g_RecordFormat from the settings and creates the
// WAV file at `soundPath` (the recorder's temporary sound path). Returns 1.
int InitAudioRecording(const std::filesystem::path& soundPath);
// Opens the device at position "SoundDevice" of AudioDeviceTable with
// `format` (null keeps g_RecordFormat) and starts it. 1 when sound is being
// captured; 0 when not, and then GetAudioCaptureProblem() says why.
int StartAudioRecording(const PcmFormat* format);
// Waits 500 ms for the last blocks, stops the capture thread and releases the
// device. Safe without a start and when called twice.
void StopAudioRecording();
// Finalises the WAV file (sizes written) and drops it.
void ClearAudioFile();

// Writes one completed block to the WAV file; a failed write stops the
// capture and finalises the file.
void DataFromSoundIn(const CBuffer& buffer);
// Trace "WaveInErrorMsg : <ALSA's text> <context>".
void WaveInErrorMsg(int error, const char* context);

// What the user should learn about the sound of the last capture: empty when
// it was recorded in full, otherwise one line such as
// "recorded without sound: <reason>" (nothing could be captured) or
// "sound incomplete: <reason>" (the device failed during the recording; the
// rest of the sound track is silence). Reset by InitAudioRecording.
std::string GetAudioCaptureProblem();

// The loudest sound the capture has read since the last call (0 to 1; 0
// when nothing was read), for the recording window's level meter. Safe from
// any thread.
float TakeRecordingSoundLevel();

// The first seconds of the last capture that are judged for silence.
inline constexpr double kSilenceJudgedSeconds = 3.0;
// True when the first kSilenceJudgedSeconds written of the last capture were
// digital silence (the video is made all the same). Reset at each start.
bool AudioInputWasSilent();

}  // namespace kv

namespace kv {

// Counters of the last capture, for tests and the benchmark.
struct AudioCaptureStats {
    std::uint64_t blocksWritten = 0;   // blocks (or the last part of one) in the file
    std::uint64_t blocksPaused = 0;    // complete blocks dropped while paused
    std::uint64_t framesCaptured = 0;  // frames read from the device (or silence)
    // From the read that completed a block to its bytes being in the file.
    std::int64_t maxHandlerLatencyUs = 0;
    std::int64_t totalHandlerLatencyUs = 0;
    // From the wall-clock moment the block's last frame was due (start of
    // capture + frames / rate) to its bytes being in the file.
    std::int64_t maxDeliveryLatencyUs = 0;
    std::int64_t totalDeliveryLatencyUs = 0;
};
AudioCaptureStats GetAudioCaptureStats();

}  // namespace kv
