// The toolbar's commands, Enter and Escape, and the stop sequence.
#include <cmath>
#include <utility>

#include "app/core/AppMessages.h"
#include "platform/core/Trace.h"
#include "playback/container/ContainerToolbar.h"
#include "playback/container/PptContainerDlg.h"
#include "playback/container/RecordingNotices.h"
#include "recording/state/RecorderState.h"

namespace kv {
namespace {

constexpr int kViewRunning = 1;
constexpr int kViewPaused = 2;

}  // namespace

void CPptContainerDlg::ActivatePPTWindow() {
    if (m_automation.m_bPowerPlugs || m_automation.m_pptSlideShowWindow.IsEmpty()) return;
    try {
        Trace("CPptContainerDlg::ActivatePPTWindow\n");
        m_automation.ActivateSlideShowWindow();
    } catch (...) {
        Trace("Caught exception in CPptContainerDlg::ActivatePPTWindow");
    }
}

void CPptContainerDlg::OnClickedBtnPlay() {
    try {
        if (m_automation.m_bPowerPlugs) {
            Trace("********* Start recording *********\n");
            m_services.recorder->RecordOrResume();
            m_bRecordingStarted = true;
            return;
        }
        // The recorder's start-up (grabber, encoder) takes a moment: a timed
        // show that ran on meanwhile would lose that much of its first slide.
        if (TimedMode() && !m_bRecordingStarted) m_bShowWaitsForClock = true;
        else if (TimedMode()) m_automation.SetViewState(kViewRunning);
        ActivatePPTWindow();
        // A new recording starts a new list; a resumed one goes on with it.
        if (!m_bRecordingStarted) ClearShownSlides();
        if (!m_bRecordingStarted) g_iExpectedShowSeconds = ExpectedShowSeconds();
        m_services.recorder->RecordOrResume();
        m_wndToolBar->EnableButton(ID_BTN_PLAY, false);
        m_wndToolBar->EnableButton(ID_BTN_STOP, true);
        m_wndToolBar->EnableButton(ID_BTN_PAUSE, true);
        m_bRecordingStarted = true;
        SetCaption(kRecordingCaption);
        if (!m_automation.m_pptpresentation.IsEmpty()) m_nSlideCount = m_automation.SlideCount();
    } catch (...) {
        Trace("Caught exception in CPptContainerDlg::OnClickedBtnPlay");
    }
}

int CPptContainerDlg::ExpectedShowSeconds() {
    if (m_nCaptureMode != 2 || m_automation.m_pptpresentation.IsEmpty()) return 0;
    return static_cast<int>(std::ceil(m_automation.SlideCount() * m_fAdvanceSeconds));
}

void CPptContainerDlg::OnRecordingClockStarted() {
    if (!std::exchange(m_bShowWaitsForClock, false) || m_bStopped) return;
    try {
        m_automation.SetViewState(kViewRunning);
    } catch (...) {
        Trace("Caught exception in CPptContainerDlg::OnRecordingClockStarted");
    }
}

void CPptContainerDlg::OnClickedBtnPause() {
    try {
        if (m_automation.m_bPowerPlugs) {
            m_services.recorder->PauseRecording();
            return;
        }
        m_wndToolBar->EnableButton(ID_BTN_PAUSE, false);
        m_wndToolBar->EnableButton(ID_BTN_PLAY, true);
        m_services.recorder->PauseRecording();
        m_bShowWaitsForClock = false;  // the next Play runs it
        SetCaption(kPausedCaption);
        if (TimedMode()) m_automation.SetViewState(kViewPaused);
        ActivatePPTWindow();
    } catch (...) {
        Trace("Caught exception in  CPptContainerDlg::OnClickedBtnPause");
    }
}

void CPptContainerDlg::OnClickedBtnNextSlide() {
    try {
        if (m_automation.GetSlideShowView().IsEmpty()) return;
        const int position = m_automation.CurrentShowPosition();
        const int count = m_automation.SlideCount();
        if (position == count + 1) {
            // On the closing black screen: the next step ends the show.
            m_wndToolBar->EnableButton(ID_BTN_NEXTSLIDE, false);
            OnClickedBtnStop();
        } else {
            m_automation.NextSlide();
        }
    } catch (...) {
        Trace("Caught exception in CPptContainerDlg::OnClickedBtnNextSlide");
    }
}

void CPptContainerDlg::OnClickedBtnStop() {
    // Every way to the end comes through here; only the first one goes on.
    if (m_bStopped.exchange(true)) return;
    try {
        RunStopSequence();
    } catch (...) {
        Trace("Caught exception in  CPptContainerDlg::OnClickedBtnStop");
    }
}

void CPptContainerDlg::RunStopSequence() {
    PostMessage(m_hWnd, UWM_SHOWTASKBAR, 1, 0);
    if (m_bRecordingStarted) SetCaption(kSavingCaption);

    m_services.recorder->StopRecording();
    if (!m_automation.m_bPowerPlugs) {
        try {
            if (TimedMode() && !g_bSlideShowEnded && !m_automation.m_pptSlideShowWindow.IsEmpty())
                m_automation.SetViewState(kViewPaused);
        } catch (...) {
            // An office that has gone away cannot pause; the recording is stopped anyway.
            Trace("Caught exception in  CPptContainerDlg::OnClickedBtnStop");
        }
        for (int command : {ID_BTN_STOP, ID_BTN_PLAY, ID_BTN_PAUSE, ID_BTN_NEXTSLIDE})
            m_wndToolBar->EnableButton(command, false);
    }

    if (m_bRecordingStarted) {
        PostMessage(m_hWnd, UWM_SHOWPPTCONTAINERDLG, 0, 0);
        setFocus();
        // The conversion dialog says it with the video's place.
        const std::string shrunk = ShrunkSizeText(m_nAskedWidth, m_nAskedHeight, m_nWidth, m_nHeight);
        const bool dialogRuns = !g_bRecorderThreadEnded;
        if (dialogRuns) m_services.conversion->RunWaitDialog(shrunk);
        else if (!m_automation.m_bPowerPlugs) m_services.conversion->PlayOutputFile();
        Trace("Wait dialog ended\n");
        TellHowTheRecordingWent(m_bOfficeLost, dialogRuns ? std::string() : shrunk);
    }

    update();
    m_automation.DoCleanup();
    EndDialog(IDOK);
}

void CPptContainerDlg::OnOK() {
    if (!m_automation.m_bStartedCompletely) return;
    Trace("CPptContainerDlg::OnOK\n");
    OnClickedBtnStop();
    QDialog::done(IDOK);
}

void CPptContainerDlg::OnCancel() {
    Trace("CPptContainerDlg::OnCancel --- Before if----\n");
    if (!m_automation.m_bStartedCompletely) return;
    Trace("CPptContainerDlg::OnCancel\n");
    OnClickedBtnStop();
    QDialog::done(IDCANCEL);
}

}  // namespace kv
