#pragma once
// The recorder: one instance at a time, created by the first control and
// destroyed by the recording thread at its end. It owns the video writer and
// the temporary file names of one recording.
#include <atomic>
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

    std::string m_strTempVideoPath;
    std::string m_strTempSoundPath;
    CAviFile m_AviFile;
    bool m_bMouseCapture = false;
    int m_iThreadStarted = 0;
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

// The temporary folder beside the program ("Temp"), or `fallback` when it
// cannot be made.
std::string GetTempFolder(const std::string& fallback);
void GetTempWavePath(CRecorder* recorder);
// Makes the default output folder and returns its path.
std::string CreateDefaultFolder();

}  // namespace kv
