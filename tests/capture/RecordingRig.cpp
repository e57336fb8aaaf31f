#include "RecordingRig.h"

#include <thread>

#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"

namespace kvtest {

NotingWindow::NotingWindow(kv::MessageThread* thread, const std::string& className) {
    m_handle = kv::CreateWindowHandle(this, thread, className, className);
}

NotingWindow::~NotingWindow() { kv::DestroyWindowHandle(m_handle); }

kv::LRESULT NotingWindow::OnMessage(kv::UINT message, kv::WPARAM wParam, kv::LPARAM) {
    m_messages.push_back(message);
    if (message == kv::UWM_RECORDER_ERROR) m_errors.push_back(static_cast<int>(static_cast<kv::LPARAM>(wParam)));
    return 1;
}

int NotingWindow::Count(kv::UINT message) const {
    int n = 0;
    for (kv::UINT m : m_messages) n += m == message;
    return n;
}

void ResetRecorderState() {
    kv::g_bRecording = 0;
    kv::g_bPaused = 0;
    kv::g_bRecorderThreadEnded = 0;
    kv::g_hPositionedEvent.store(nullptr);
    kv::g_hContainerWnd = 0;
    kv::g_hWaitDlg = 0;
}

RecordingRig::RecordingRig(unsigned long window, int stepMs) : m_folder("kalvista-capture") {
    ResetRecorderState();
    namespace s = kv::settings;
    s::AVIVideoFileName.Set((m_folder / "Show.avi").string());
    s::FrameRate.Set(10);
    s::CaptureSound.Set(0);
    s::MouseCapture.Set(0);
    s::SupportPowerPlugs.Set(0);
    if (!window) {
        m_window.emplace(kLeft, kTop, kWidth, kHeight, stepMs);
        window = m_window->window();
    }
    m_container = std::make_unique<NotingWindow>(&m_loop, kv::kContainerClassName);
    kv::SetNativeWindow(m_container->handle(), window);
    m_waitDialog = std::make_unique<NotingWindow>(&m_loop, "CWaitDlg");
    kv::g_hContainerWnd = m_container->handle();
    kv::g_hWaitDlg = m_waitDialog->handle();
}

RecordingRig::~RecordingRig() {
    // Never leave a recording thread behind that could reach freed windows.
    if (!kv::g_bRecorderThreadEnded && kv::CRecorder::Hold()) StopAndWait();
    kv::g_hContainerWnd = 0;
    kv::g_hWaitDlg = 0;
}

void RecordingRig::SignalPositioned() {
    auto event = kv::NamedEvent::Open(kv::kPositionedEventName);
    kv::g_hPositionedEvent.store(event);
    event->Set();
}

void RecordingRig::Record() { kv::CRecorder::GetInstance()->RecordOrResume(); }

void RecordingRig::RunFor(int ms) {
    m_loop.RunUntil([] { return false; }, ms);
}

bool RecordingRig::WaitForThreadEnd(int timeoutMs) {
    return m_loop.RunUntil([this] { return kv::g_bRecorderThreadEnded.load() && m_waitDialog->Count(kv::UWM_DIALOGEND) > 0; },
                           timeoutMs);
}

bool RecordingRig::StopAndWait(int timeoutMs) {
    if (auto recorder = kv::CRecorder::Hold()) recorder->StopRecording();
    else kv::g_bRecording = 0;
    return WaitForThreadEnd(timeoutMs);
}

std::string RecordingRig::SavedVideo() const { return kv::settings::AVIVideoFileName.Get(); }

}  // namespace kvtest
