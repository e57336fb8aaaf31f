// The recorder's controls, called by the container on the UI thread, and the
// release of the single instance.
#include <chrono>
#include <system_error>
#include <thread>

#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "platform/core/Trace.h"
#include "recording/Recorder.h"
#include "recording/state/RecordingTimeline.h"

namespace kv {

// The controls time each pause, resume and stop on the recording clock the
// moment they are pressed; picture and sound are both cut at those instants.
void CRecorder::RecordOrResume() {
    if (g_bPaused) ResumeAt(std::chrono::steady_clock::now());
    else StartRecording();
}

void CRecorder::StartRecording() {
    if (settings::AVIVideoFileName.Get().empty()) settings::AVIVideoFileName.Set(CreateDefaultFolder());
    g_bRecording = 1;
    LoadRecordingSettings();
    if (g_bPaused) {
        ResumeAt(std::chrono::steady_clock::now());
        return;
    }
    if (m_iThreadStarted == 0) {
        try {
            std::thread(RecordAVIThread, this).detach();
        } catch (const std::system_error&) {
            Trace("CRecorder::StartRecording : Unable to start the recording thread\n");
        }
        m_iThreadStarted = 1;
    }
}

void CRecorder::PauseRecording() { PauseAt(std::chrono::steady_clock::now()); }

void CRecorder::StopRecording() {
    if (!g_bRecording) return;
    StopAt(std::chrono::steady_clock::now());
}

void CRecorder::ReleaseInstance() {
    try {
        Trace("ReleaseInstace Started\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (g_hWaitDlg) {
            SendMessage(g_hWaitDlg, UWM_DIALOGEND, 0, 0);
            Trace("CRecorder::ReleaseInstance- Message send\n");
        }
        // The next recording gets a fresh event from the container.
        g_hPositionedEvent.store(nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        // A recording thread that still holds the recorder keeps it until it
        // has finished with it; nobody else can reach it from here on.
        s_pInstance.store(nullptr);
        Trace("CRecorder::ReleaseInstance- Object deleted\n");
    } catch (...) {
        Trace("Caught Exception in ReleaseInstance()\n");
    }
}

}  // namespace kv
