// The recording thread: waits for the slide show to be placed, opens the
// intermediate video, runs the capture loop and reports how it ended.
#include <algorithm>
#include <chrono>
#include <filesystem>

#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "audio/AudioFormat.h"
#include "platform/core/Trace.h"
#include "recording/CaptureArea.h"
#include "recording/DiskSpace.h"
#include "recording/Recorder.h"
#include "recording/RecordingRecovery.h"
#include "recording/state/RecordingReport.h"

namespace kv {

namespace {

constexpr int kPositionedWaitMs = 10000;

// Waits for the container to signal that the slide show sits in place. A
// stop meanwhile ends the wait early: the show will not be recorded anyway.
bool WaitUntilPositioned() {
    EventHandle event = g_hPositionedEvent.load();
    // Before the container has made the event, wait on the same named event.
    if (!event) event = NamedEvent::Open(kPositionedEventName);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPositionedWaitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        if (event->Wait(50)) return true;
        if (!g_bRecording) return false;
    }
    return event->IsSet();
}

class ThreadEnd {
public:
    ThreadEnd(std::shared_ptr<CRecorder> recorder, HWND container)
        : m_recorder(std::move(recorder)), m_container(container) {}

    unsigned Success() {
        Release();
        SendMessage(g_hWaitDlg, UWM_DIALOGEND, 0, 0);
        g_bRecorderThreadEnded = 1;
        Trace("* Thread end successfully\n");
        return 1;
    }

    unsigned Failure(int code, const char* line) {
        // The container shows its message before the thread goes on.
        SendMessage(m_container, UWM_RECORDER_ERROR, static_cast<WPARAM>(static_cast<LPARAM>(code)), 0);
        if (m_recorder) m_recorder->StopRecording();
        return Finish(line);
    }

    unsigned NoRecorder() {
        SendMessage(m_container, UWM_RECORDER_ERROR, static_cast<WPARAM>(static_cast<LPARAM>(-5)), 0);
        return Finish("Thread ended: 'Recorder' Object doesn't get created.\n");
    }

private:
    unsigned Finish(const char* line) {
        Release();
        g_bRecorderThreadEnded = 1;
        PostMessage(m_container, UWM_SLIDESHOWEND, 0, 0);
        SendMessage(g_hWaitDlg, UWM_DIALOGEND, 0, 0);
        Trace(line);
        return 0;
    }

    void Release() {
        CRecorder::ReleaseInstance();
        m_recorder.reset();  // the recorder is gone from here on
    }

    std::shared_ptr<CRecorder> m_recorder;
    HWND m_container;
};

std::string TempVideoPath() {
    std::string fallback = std::filesystem::path(settings::AVIVideoFileName.Get()).parent_path().string();
    return (std::filesystem::path(GetTempFolder(fallback)) / "~Record.avi").string();
}

// What this recording writes per second, at the size it captures.
std::uint64_t BytesPerSecond(const ScreenRect& rect, bool sound) {
    int rate = 0, channels = 0, bits = 0;
    if (sound) ParseAudioProperties(settings::AudioProperties.Get(), rate, channels, bits);
    const bool sized = rect.width > 0 && rect.height > 0;
    const int width = sized ? rect.width : static_cast<int>(settings::ResolutionWidth.Get());
    const int height = sized ? rect.height : static_cast<int>(settings::ResolutionHeight.Get());
    return RecordingBytesPerSecond(width, height, g_iFrameRate.load(),
                                   static_cast<std::uint64_t>(std::max(0, rate * channels * bits / 8)));
}

// The folder the finished video goes to.
std::string OutputFolder() {
    const std::string output = settings::OutputFileName.Get();
    return std::filesystem::path(output.empty() ? settings::AVIVideoFileName.Get() : output).parent_path().string();
}

}  // namespace

unsigned RecordAVIThread(void*) {
    Trace("*************************RecordAVI Thread Started**********************************\n");
    CRecorder::GetInstance();
    std::shared_ptr<CRecorder> recorder = CRecorder::Hold();
    ThreadEnd end(recorder, g_hContainerWnd.load());
    if (!recorder) return end.NoRecorder();

    ClearRecordingReport();
    g_iRecordedFrameRate = g_iFrameRate.load();
    recorder->m_strTempVideoPath = TempVideoPath();

    const bool powerPlugs = settings::SupportPowerPlugs.Get() != 0;
    ScreenRect rect;
    if (!powerPlugs) {
        if (!WaitUntilPositioned()) {
            Trace("RecordAVIThread : Event Timeout.");
            return end.Failure(-2, "* Thread end due to Event Timeout.\n");
        }
        HWND container = FindWindow(kContainerClassName);
        if (!container || !GetCaptureRect(container, false, rect)) {
            Trace("RecordAVIThread : Ppt Window Not Found");
            return end.Failure(-2, "* Thread ended: RecordVideo Failed.\n");
        }
    }
    const bool sound = settings::CaptureSound.GetOr(settings::kCaptureSoundDefaultInCaptureLoop) != 0;
    recorder->m_uBytesPerSecond = BytesPerSecond(rect, sound);
    const std::string tempFolder = std::filesystem::path(recorder->m_strTempVideoPath).parent_path().string();
    const std::string refusal =
        DiskSpaceRefusal(tempFolder, OutputFolder(), g_iExpectedShowSeconds.load(), recorder->m_uBytesPerSecond);
    if (!refusal.empty()) {
        TraceF("RecordAVIThread : %s\n", refusal.c_str());
        SetRecordingRefusal(refusal);
        return end.Failure(kNotEnoughDiskSpace, "* Thread ended: not enough disk space.\n");
    }
    if (recorder->m_AviFile.Initialise(recorder->m_strTempVideoPath, rect.width, rect.height, powerPlugs ? 1 : 0) < 0)
        return end.Failure(-1, " * Thread ended : AVI Initialize Failed\n");

    // Until the recording is saved, a journal tells the next start what to rebuild.
    if (sound) GetTempWavePath(recorder.get());
    WriteRecordingJournal(recorder->m_strTempVideoPath, sound ? recorder->m_strTempSoundPath : std::string(),
                          settings::OutputFileName.Get());
    const int result = recorder->RecordVideo();
    RemoveRecordingJournal(recorder->m_strTempVideoPath);
    if (result == 0) return end.Success();
    return end.Failure(result, "* Thread ended: RecordVideo Failed.\n");
}

}  // namespace kv
