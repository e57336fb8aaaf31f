// The container's registered window messages.
#include "app/core/AppMessages.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"
#include "playback/container/PptContainerDlg.h"
#include "playback/container/RecordingNotices.h"
#include "playback/container/RecorderErrorText.h"
#include "recording/state/RecorderState.h"
#include "recording/state/RecordingReport.h"
#include "recording/state/RecordingTimeline.h"

namespace kv {
namespace {

int ErrorCode(WPARAM wParam) { return static_cast<int>(static_cast<LPARAM>(wParam)); }

}  // namespace

LRESULT CPptContainerDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == UWM_SLIDESHOWEND) {
        OnSlideShowEnd();
    } else if (message == UWM_IS_SLIDESHOW_ENDED) {
        IsSlideShowEndReached();
    } else if (message == UWM_RECORDER_ERROR) {
        OnRecorderError(wParam, lParam);
    } else if (message == UWM_CONTINUESLIDESHOW) {
        OnContinueSlideShow();
    } else if (message == UWM_RECORDINGCLOCKSTARTED) {
        OnRecordingClockStarted();
    } else if (message == UWM_STARTRECORDING) {
        OnStartRecording();
    } else if (message == UWM_SLIDESHOWLAUNCHERROR) {
        OnSlideShowLaunchError();
    } else if (message == UWM_SHOWTASKBAR) {
        if (m_services.taskbar) m_services.taskbar->Show(wParam != 0);
        if (wParam) m_bTaskbarHidden = false;
    } else if (message == UWM_SHOWPPTCONTAINERDLG) {
        ShowContainer(wParam != 0);
    } else if (message == UWM_ONE_INSTANCE) {
        // The prober brings this window forward through its presenter.
        return static_cast<LRESULT>(UWM_ONE_INSTANCE);
    } else {
        return 0;
    }
    return 1;
}

void CPptContainerDlg::OnSlideShowEnd() {
    if (!m_automation.m_bStartedCompletely) return;
    Trace("CPptContainerDlg::OnSlideShowEnd\n");
    // The end event also comes when the office goes away mid-show: then
    // it no longer answers at all.
    try {
        m_automation.CurrentShowPosition();
    } catch (const AutomationException& e) {
        if (!m_bStopped && OfficeWentAway(e.Result())) m_bOfficeLost = true;
    } catch (...) {
    }
    OnClickedBtnStop();
}

void CPptContainerDlg::IsSlideShowEndReached() {
    if (m_automation.m_bPowerPlugs || m_bStopped || g_bSlideShowEnded) return;
    bool ended = false;
    try {
        if (!m_automation.m_pptSlideShowWindow.IsEmpty() && !m_automation.GetSlideShowView().IsEmpty()) {
            const int position = m_automation.CurrentShowPosition();
            ended = position == m_nSlideCount + 1;
            NoteShownSlide(position);
        }
    } catch (...) {
        Trace("Caught exception in CPptContainerDlg::IsSlideShowEndReached");
    }
    if (ended && !m_bStopped) OnClickedBtnStop();
}

void CPptContainerDlg::NoteShownSlide(int position) {
    if (!g_bRecording || position < 1 || position > m_nSlideCount || position == m_nShownSlide) return;
    m_nShownSlide = position;
    ShownSlide slide = m_automation.ShownSlideAt(position);
    // The slide starts where it came on the recording's clock (pauses left
    // out), not where this pass happens to see it.
    if (const auto since = m_automation.SlideShownSince())
        slide.startSeconds = std::chrono::duration<double>(g_RecordingTimeline.Take().ActiveBefore(*since)).count();
    else
        slide.startSeconds = static_cast<double>(g_llRecordedMs.load()) / 1000.0;
    TraceF("Slide %d on the recording from %.3f s\n", position, slide.startSeconds);
    AddShownSlide(std::move(slide));
}

void CPptContainerDlg::OnRecorderError(WPARAM wParam, LPARAM lParam) {
    g_bRecorderError = true;
    if (RefusedBeforeRecording(ErrorCode(wParam))) m_bRecordingRefused = true;
    // A refusal names the folder and the room it lacks.
    const std::string refusal = GetRecordingReport().refusal;
    ShowMessageBox(ErrorCode(wParam) == kNotEnoughDiskSpace && !refusal.empty() ? refusal
                                                                               : RecorderErrorText(ErrorCode(wParam)));
    if (HWND waitDlg = g_hWaitDlg.load()) SendMessage(waitDlg, UWM_RECORDER_ERROR, wParam, lParam);
}

void CPptContainerDlg::OnContinueSlideShow() {
    PositionSlideShowWindow();
    SendMessage(m_hWnd, UWM_STARTRECORDING, 0, 0);
}

void CPptContainerDlg::OnStartRecording() {
    if (m_bStartImmediately) OnClickedBtnPlay();
    FindSlideShowChild();
}

void CPptContainerDlg::OnSlideShowLaunchError() {
    SendMessage(m_hWnd, UWM_RECORDER_ERROR, static_cast<WPARAM>(static_cast<LPARAM>(-2)), 0);
    OnClickedBtnStop();
}

}  // namespace kv
