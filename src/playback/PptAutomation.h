#pragma once
// The automation side of the container window: starts the office, opens the
// presentation, sets the slide show up for the capture mode and runs it in
// the container's slide area; at the end releases everything in a fixed
// order and quits the office it started. The container owns one and calls it
// on its UI thread.
#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "platform/automation/Dispatch.h"
#include "platform/automation/DispatchDriver.h"
#include "platform/core/Messages.h"
#include "recording/state/ShownSlides.h"

namespace kv {

class PPTEventSink;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

class CPptAutomation {
public:
    // What the container does for the automation steps.
    class Host {
    public:
        virtual ~Host() = default;
        // The container window: receives UWM_SLIDESHOWEND and the launch messages.
        virtual HWND ContainerWindow() = 0;
        // The X11 window of the slide area the show is drawn into (0: none).
        virtual unsigned long SlideAreaWindow() = 0;
        // The container's stop sequence (it ends by calling DoCleanup).
        virtual void OnClickedBtnStop() = 0;
        // Called right after the show has started in normal mode.
        virtual void PositionSlideShowWindow() = 0;
        // The presentation is open and its page size known (m_nPageWidth and
        // m_nPageHeight): the office's window takes its place by the page
        // before the show starts, as a show waiting paused is not drawn again.
        virtual void PageSizeKnown() {}
        virtual void ShowContainer(bool show) = 0;
        virtual void ShowTaskbar() = 0;
        virtual void EndDialog(int result) = 0;
    };

    // `nothingWaits`: no presenter is there (batch mode), so in capture mode 1 a
    // slide that waits for a click moves on after `advanceSeconds` instead.
    CPptAutomation(Host& host, std::string presentationPath, int captureMode, float advanceSeconds, int width,
                   int height, bool nothingWaits = false);
    // Releases any holder still set (the show's settings, window, presentation, application).
    ~CPptAutomation();
    CPptAutomation(const CPptAutomation&) = delete;
    CPptAutomation& operator=(const CPptAutomation&) = delete;

    // The container's initialisation: the apartment on `uiThread`, the
    // PowerPlugs setting, and whether an office already runs (before ours starts).
    void Initialise(MessageThread* uiThread);

    // 0 on success; E_FAIL when the show did not start (the stop sequence has
    // then run, the user has been told, and the dialog has been ended).
    HRESULT RunSlideShow();
    // Ends the automation connection; never throws.
    void DoCleanup();
    static bool GetDefaultPowerpointProgID(std::string& progId);
    // Why the last RunSlideShow failed, in the office's words; empty after success.
    const std::string& LastError() const { return m_strLastError; }

    // For the container's handlers; each throws AutomationException on failure.
    // The running show's view, empty when there is no show window.
    COleDispatchDriver GetSlideShowView() const;
    void SetViewState(int state) const;
    int CurrentShowPosition() const;
    // When the slide now on screen came; nothing where the office does not tell.
    std::optional<std::chrono::steady_clock::time_point> SlideShownSince() const;
    void NextSlide() const;
    void ActivateSlideShowWindow() const;
    // The slide area was fitted to the screen: the show drawn into it takes its new size.
    void ResizeShowArea(int width, int height);
    // Slides.Count of the open presentation (0 when none is open).
    int SlideCount() const;
    // Slide `index` (from 1) as a shown slide, without its time: its title by
    // the usual fallbacks, and its notes. A backend that cannot tell gives
    // "Slide N" and no notes.
    ShownSlide ShownSlideAt(int index) const;

    std::string m_strPresentationPath;
    int m_nCaptureMode = 0;
    float m_fAdvanceSeconds = 0;
    bool m_bNothingWaits = false;
    int m_nWidth = 0;
    int m_nHeight = 0;
    // The presentation's page size (hundredths of a millimetre), 0 where the office does not tell.
    int m_nPageWidth = 0;
    int m_nPageHeight = 0;
    int m_bPowerPlugs = 0;
    int m_bPowerPointWasRunning = 0;
    COleDispatchDriver m_pptapp;
    COleDispatchDriver m_pptpresentation;
    COleDispatchDriver m_slideshow;
    COleDispatchDriver m_pptSlideShowWindow;
    PPTEventSink* m_pEventSink = nullptr;
    ConnectionPointPtr m_pIConnectionPoint;
    bool m_bStartedCompletely = false;

private:
    // The whole start: office, events, presentation, capture mode, show.
    void StartShowOnce();
    // Lets go of an office that crashed or stopped answering, and ends it.
    void DropFailedOffice();
    void StartApplication(const std::string& progId);
    void ConnectEvents();
    void OpenPresentation();
    void ApplyCaptureMode();
    void ForEachTransition(const std::function<void(const COleDispatchDriver&)>& change);
    void LaunchNormal();
    void ReleaseAll();
    void FailRun();

    Host& m_host;
    std::string m_strLastError;
    bool m_bOleInitialised = false;
};

}  // namespace kv
