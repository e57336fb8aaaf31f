#pragma once
// The recorder: one instance at a time, created by the first control and
// destroyed by the recording thread at its end. It owns the video writer and
// the temporary file names of one recording.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/x11/ScreenGrabber.h"
#include "recording/AviFile.h"
#include "recording/state/RecorderState.h"

namespace kv {

class CRecorder {
public:
    // The single instance, made on first use; null when it cannot be made.
    static CRecorder* GetInstance();
    static void ReleaseInstance();

    // Controls, called on the UI thread.
    void RecordOrResume();
    void StartRecording();
    void PauseRecording();
    void StopRecording();

    void LoadRecordingSettings();

    // The capture loop, run by the recording thread; 0 on success, else a
    // recorder error code.
    int RecordVideo();
    // Closes, saves and merges the recording; 0 on success, else -6 to -10.
    int SaveAVI();
    // The ways SaveAVI ends: moved alone, merged, or after a failed merge.
    int SaveWithoutSound();
    int SaveWithSound();
    int SaveVideoOnly();
    // `why` is the merge's own reason, said to the user when the disk was full.
    int SaveSeparately(const std::string& why = {});

    std::string m_strTempVideoPath;
    std::string m_strTempSoundPath;
    CAviFile m_AviFile;
    // Set by the user-interface thread, read by the recording thread.
    std::atomic<bool> m_bMouseCapture{false};
    int m_iThreadStarted = 0;
    // What the recording writes per second, for the disk space it keeps free.
    std::uint64_t m_uBytesPerSecond = 0;
    // The capture resources of RecordVideo; released with the recorder.
    ScreenGrabber m_ScreenGrabber;

    CRecorder() = default;
    ~CRecorder();
    CRecorder(const CRecorder&) = delete;
    CRecorder& operator=(const CRecorder&) = delete;

    // The instance as a shared reference, so that the recording thread keeps
    // it alive while it works even if the container releases it meanwhile;
    // null when there is none.
    static std::shared_ptr<CRecorder> Hold() { return s_pInstance.load(); }

private:
    // Filled by GetInstance, emptied by ReleaseInstance.
    inline static std::atomic<std::shared_ptr<CRecorder>> s_pInstance;
};

// The recording thread's body; 1 on success, 0 otherwise.
unsigned RecordAVIThread(void* unused);

// The run's private temporary folder (see RunFolder), or `fallback` when it
// cannot be made.
std::string GetTempFolder(const std::string& fallback);
void GetTempWavePath(CRecorder* recorder);
// Makes the default output folder and returns its path.
std::string CreateDefaultFolder();

// Tells the user (through the recording report) that the video file written
// at `written` could not be completed for `why`, and where the recording is.
void ReportIncompleteVideo(const std::string& why, const std::string& written, const std::string& kept);

// The AVI that SaveAVI writes; it also becomes AVIVideoFileName.
extern std::string g_strSavedAviPath;

// Merges the temporary video and sound into `savedPath`, sending the percent
// done as UWM_MERGE_PROGRESS to the conversion dialog. 0 when merged; 1 the
// video cannot be read, 2 the sound cannot be read, 3 the video holds no
// frame, 4 the sound is not PCM or empty, 5 the merged file cannot be written;
// why it failed in `why` when given.
int Merge_Video_And_Sound_File(const std::string& videoPath, const std::string& soundPath,
                               const std::string& savedPath, std::string* why = nullptr);

}  // namespace kv
