#include "playback/PptAutomation.h"


#include <chrono>
#include <thread>
#include <utility>

#include "app/core/SettingsCatalogue.h"
#include "platform/automation/Apartment.h"
#include "platform/automation/AutomationServers.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"
#include "playback/AutomationMembers.h"
#include "playback/PPTEventSink.h"
#include "playback/PowerPlugsLaunch.h"
#include "playback/PowerPointProcesses.h"
#include "recording/state/RecorderState.h"

namespace kv {

namespace {

constexpr const char* kProgId = "Powerpoint.Application";

[[noreturn]] void Fail(const char* trace, const std::string& reason) {
    if (trace) Trace(trace);
    throw AutomationException(E_FAIL, reason);
}

[[noreturn]] void FailHr(const char* format, HRESULT hr, const std::string& reason) {
    TraceF(format, static_cast<unsigned>(hr));
    throw AutomationException(hr, reason);
}

}  // namespace

CPptAutomation::CPptAutomation(Host& host, std::string presentationPath, int captureMode, float advanceSeconds,
                               int width, int height, bool nothingWaits)
    : m_strPresentationPath(std::move(presentationPath)),
      m_nCaptureMode(captureMode),
      m_fAdvanceSeconds(advanceSeconds),
      m_bNothingWaits(nothingWaits),
      m_nWidth(width),
      m_nHeight(height),
      m_host(host) {}

CPptAutomation::~CPptAutomation() {
    if (m_pIConnectionPoint && m_pEventSink) m_pIConnectionPoint->Unadvise(m_pEventSink->m_dwCookie);
    m_pIConnectionPoint.reset();
    if (PPTEventSink* sink = std::exchange(m_pEventSink, nullptr)) {
        sink->ClearNotifyWindow();
        sink->Release();
        sink->Release();
    }
    m_slideshow.ReleaseDispatch();
    m_pptSlideShowWindow.ReleaseDispatch();
    m_pptpresentation.ReleaseDispatch();
    m_pptapp.ReleaseDispatch();
    if (m_bOleInitialised) OleUninitialize();
}

void CPptAutomation::Initialise(MessageThread* uiThread) {
    OleInitialize(uiThread);
    m_bOleInitialised = true;
    m_bPowerPlugs = settings::SupportPowerPlugs.Get() != 0 ? 1 : 0;
    m_bPowerPointWasRunning = IsPowerpointRunning();
}

bool CPptAutomation::GetDefaultPowerpointProgID(std::string& progId) {
    progId.clear();
    try {
        std::string value;
        bool registered = false;
        long error = QueryCurVer(kProgId, &value, &registered);
        if (error != ERROR_SUCCESS) {
            Trace(registered ? "CPptContainerDlg::GetDefaultPowerpointProgID, RegQueryValue failed "
                             : "CPptContainerDlg::GetDefaultPowerpointProgID, RegOpenKey failed ");
            TraceF("Last Error : %d\n", static_cast<int>(error));
            return false;
        }
        progId = value;
        return true;
    } catch (...) {
        Trace("Caught Exception in CPptContainerDlg::GetDefaultPowerpointProgID\n");
        return false;
    }
}

HRESULT CPptAutomation::RunSlideShow() {
    for (int attempt = 1;; ++attempt) {
        try {
            StartShowOnce();
            m_bStartedCompletely = true;
            Trace("CPptContainerDlg::RunSlideShow -- m_bStartedCompletely = true");
            return S_OK;
        } catch (const AutomationException& e) {
            m_strLastError = e.what();
            // Now and then the office crashes or stops answering while a show
            // starts; a new office starts it. A second failure is the answer.
            const bool officeFailed = e.Result() == RPC_E_DISCONNECTED || e.Result() == RPC_E_TIMEOUT;
            if (attempt == 1 && officeFailed) {
                Trace("The office failed while the show started (" + m_strLastError + "); starting a new office\n");
                DropFailedOffice();
                continue;
            }
        } catch (const std::exception& e) {
            m_strLastError = e.what();
        } catch (...) {
            m_strLastError = "unknown failure";
        }
        break;
    }
    FailRun();
    return E_FAIL;
}

void CPptAutomation::StartShowOnce() {
    std::string progId = kProgId;
    std::string versioned;
    if (GetDefaultPowerpointProgID(versioned)) progId = versioned;
    Trace(progId);
    if (m_bPowerPlugs) m_host.ShowContainer(false);
    StartApplication(progId);
    ConnectEvents();
    OpenPresentation();
    ApplyCaptureMode();
    if (m_bPowerPlugs)
        LaunchPowerPlugsShow(m_pptapp, m_host.ContainerWindow());
    else
        LaunchNormal();
}

void CPptAutomation::DropFailedOffice() {
    try {
        ReleaseAll();
    } catch (...) {
        // What a failed office cannot be asked any more is let go of unasked.
    }
    m_pIConnectionPoint.reset();
    m_pptSlideShowWindow.ReleaseDispatch();
    m_slideshow.ReleaseDispatch();
    m_pptpresentation.ReleaseDispatch();
    m_pptapp.ReleaseDispatch();
    if (!m_bPowerPointWasRunning) KillPowerPoint();
}

void CPptAutomation::FailRun() {
    Trace("Caught exception in CPptContainerDlg::RunSlideShow");
    m_host.OnClickedBtnStop();
    // The office plays every kind of deck here, so one text serves them all.
    ShowMessageBox("Unable to run the slide show. Please make sure that LibreOffice Impress is installed.");
    // The office's own reason tells a bad file from a missing office.
    if (!m_strLastError.empty()) {
        Trace("CPptContainerDlg::RunSlideShow : " + m_strLastError);
        ShowFailureDetail(m_strLastError);
    }
    m_host.EndDialog(IDOK);
}

void CPptAutomation::StartApplication(const std::string& progId) {
    if (m_pptapp.IsEmpty()) {
        DispatchPtr application;
        HRESULT hr = CreateDispatch(progId, &application);
        if (FAILED(hr) || !application) {
            Trace("CPptContainerDlg::RunSlideShow : Failed in CreateDispatch Function.");
            throw AutomationException(FAILED(hr) ? hr : E_FAIL, "the office could not be started");
        }
        m_pptapp.AttachDispatch(std::move(application));
    }
    Trace("After CreateDispatch");
    m_pptapp.SetProperty(ppt::Application_Visible, Variant::I4(1));
    if (!m_bPowerPlugs) m_pptapp.SetProperty(ppt::Application_WindowState, Variant::I4(ppt::ppWindowMinimized));
}

void CPptAutomation::ConnectEvents() {
    ConnectionPointContainerPtr container;
    HRESULT hr = m_pptapp.m_lpDispatch->QueryConnectionPointContainer(&container);
    if (FAILED(hr) || !container)
        FailHr("CPptContainerDlg::RunSlideShow Failed To Get server's (PowerPoint) IConnectionPointContainer interface. Hr = 0x%x ",
               FAILED(hr) ? hr : E_NOINTERFACE, "the office sends no events");
    hr = container->FindConnectionPoint(DIID_EApplication, &m_pIConnectionPoint);
    if (FAILED(hr) || !m_pIConnectionPoint)
        FailHr("CPptContainerDlg::RunSlideShow Failed To Find connection point for events we're interested in. Hr = 0x%x ",
               FAILED(hr) ? hr : E_FAIL, "the office sends no slide-show events");
    m_pEventSink = new PPTEventSink(m_host.ContainerWindow());
    void* unknown = nullptr;
    m_pEventSink->QueryInterface(IID_IUnknown, &unknown);
    hr = m_pIConnectionPoint->Advise(static_cast<IUnknown*>(unknown), &m_pEventSink->m_dwCookie);
    if (FAILED(hr))
        FailHr("CPptContainerDlg::RunSlideShow Failed To Setup advisory connection!. Hr = 0x%x ", hr,
               "the slide-show events could not be connected");
    container.reset();
}

void CPptAutomation::OpenPresentation() {
    COleDispatchDriver presentations(m_pptapp.GetDispatchProperty(ppt::Application_Presentations));
    if (presentations.IsEmpty()) Fail("CPptContainerDlg::presentations.m_lpDispatch = NULL", "the office has no presentations");
    if (!m_bPowerPlugs && m_host.SlideAreaWindow() != 0) {
        // The show is drawn into the container's slide area at the capture size.
        m_pptapp.SetProperty(ppt::Application_ShowHostWindow, Variant::I8(static_cast<std::int64_t>(m_host.SlideAreaWindow())));
        m_pptapp.SetProperty(ppt::Application_ShowHostWidth, Variant::I4(m_nWidth));
        m_pptapp.SetProperty(ppt::Application_ShowHostHeight, Variant::I4(m_nHeight));
    }
    m_pptpresentation.AttachDispatch(
        presentations
            .InvokeMethod(ppt::Presentations_Open, {Variant::Bstr(m_strPresentationPath), Variant::I4(0),
                                                    Variant::I4(-1), Variant::I4(m_bPowerPlugs ? -1 : 0)})
            .ToDispatch());
    if (m_pptpresentation.IsEmpty())
        Fail("CPptContainerDlg::m_pptpresentation.m_lpDispatch = NULL", "the presentation could not be opened");
    try {
        // The slide area places the office's window by the page's shape.
        m_nPageWidth = m_pptpresentation.GetProperty(ppt::Presentation_PageWidth).ToInt();
        m_nPageHeight = m_pptpresentation.GetProperty(ppt::Presentation_PageHeight).ToInt();
    } catch (const AutomationException&) {
        m_nPageWidth = m_nPageHeight = 0;
    }
    if (!m_bPowerPlugs) m_host.PageSizeKnown();
    m_slideshow.AttachDispatch(m_pptpresentation.GetDispatchProperty(ppt::Presentation_SlideShowSettings));
    if (m_slideshow.IsEmpty())
        Fail("CPptContainerDlg::m_pptpresentation.m_lpDispatch = NULL", "the presentation has no slide-show settings");
}

void CPptAutomation::ForEachTransition(const std::function<void(const COleDispatchDriver&)>& change) {
    COleDispatchDriver slides(m_pptpresentation.GetDispatchProperty(ppt::Presentation_Slides));
    const int count = slides.GetProperty(ppt::Slides_Count).ToInt();
    for (int i = 1; i <= count; ++i) {
        COleDispatchDriver slide(slides.InvokeMethod(ppt::Slides_Item, {Variant::I4(i)}).ToDispatch());
        change(COleDispatchDriver(slide.GetDispatchProperty(ppt::Slide_SlideShowTransition)));
    }
}

ShownSlide CPptAutomation::ShownSlideAt(int index) const {
    std::string title, topmost, notes;
    try {
        COleDispatchDriver slides(m_pptpresentation.GetDispatchProperty(ppt::Presentation_Slides));
        COleDispatchDriver slide(slides.InvokeMethod(ppt::Slides_Item, {Variant::I4(index)}).ToDispatch());
        title = slide.GetProperty(ppt::Slide_TitleText).ToString();
        topmost = slide.GetProperty(ppt::Slide_TopmostText).ToString();
        notes = slide.GetProperty(ppt::Slide_NotesText).ToString();
    } catch (...) {
        // The number alone still makes a chapter.
    }
    return {index, SlideTitle(index, title, topmost), notes, 0.0};
}

void CPptAutomation::ApplyCaptureMode() {
    if (!m_bPowerPlugs) {
        m_slideshow.SetProperty(ppt::SlideShowSettings_RangeType, Variant::I4(ppt::ppShowAll));
        m_slideshow.SetProperty(ppt::SlideShowSettings_ShowType, Variant::I4(ppt::ppShowTypeKiosk));
    }
    switch (m_nCaptureMode) {
    case 1:
        if (m_bNothingWaits) {
            // No presenter to click: a slide without a timing of its own gets the seconds per slide.
            ForEachTransition([this](const COleDispatchDriver& transition) {
                if (transition.GetProperty(ppt::SlideShowTransition_AdvanceOnTime).ToInt() != 0) return;
                transition.SetProperty(ppt::SlideShowTransition_AdvanceOnTime, Variant::I4(1));
                transition.SetProperty(ppt::SlideShowTransition_AdvanceTime, Variant::R4(m_fAdvanceSeconds));
            });
        }
        m_slideshow.SetProperty(ppt::SlideShowSettings_AdvanceMode, Variant::I4(ppt::ppSlideShowUseSlideTimings));
        break;
    case 2:
        ForEachTransition([this](const COleDispatchDriver& transition) {
            transition.SetProperty(ppt::SlideShowTransition_AdvanceOnTime, Variant::I4(1));
            transition.SetProperty(ppt::SlideShowTransition_AdvanceTime, Variant::R4(m_fAdvanceSeconds));
        });
        break;
    case 3:
        if (m_bPowerPlugs) {
            ForEachTransition([](const COleDispatchDriver& transition) {
                transition.SetProperty(ppt::SlideShowTransition_AdvanceOnClick, Variant::I4(1));
                transition.SetProperty(ppt::SlideShowTransition_AdvanceOnTime, Variant::I4(0));
            });
        }
        m_slideshow.SetProperty(ppt::SlideShowSettings_AdvanceMode, Variant::I4(ppt::ppSlideShowManualAdvance));
        break;
    default:
        break;
    }
}

void CPptAutomation::ResizeShowArea(int width, int height) {
    m_nWidth = width;
    m_nHeight = height;
    if (m_bPowerPlugs || m_pptapp.IsEmpty() || m_host.SlideAreaWindow() == 0) return;
    m_pptapp.SetProperty(ppt::Application_ShowHostWidth, Variant::I4(width));
    m_pptapp.SetProperty(ppt::Application_ShowHostHeight, Variant::I4(height));
}

void CPptAutomation::LaunchNormal() {
    m_pptSlideShowWindow.AttachDispatch(m_slideshow.InvokeMethod(ppt::SlideShowSettings_Run).ToDispatch());
    if (m_pptSlideShowWindow.IsEmpty())
        Fail("CPptContainerDlg::m_pptSlideShowWindow.m_lpDispatch = NULL", "the slide show did not start");
    COleDispatchDriver view(m_pptSlideShowWindow.GetDispatchProperty(ppt::SlideShowWindow_View));
    if (view.IsEmpty()) Fail("CPptContainerDlg::SlideShowView.m_lpDispatch = NULL", "the slide show has no view");
    if (m_nCaptureMode == 1 || m_nCaptureMode == 2) {
        // Timed shows wait, paused, for Play so slide timings and recorded time stay together.
        view.SetProperty(ppt::SlideShowView_State, Variant::I4(ppt::ppSlideShowPaused));
        COleDispatchDriver again(m_slideshow.InvokeMethod(ppt::SlideShowSettings_Run).ToDispatch());
    }
    m_host.PositionSlideShowWindow();
    view.ReleaseDispatch();
}

void CPptAutomation::DoCleanup() {
    Trace("CPptContainerDlg::DoCleanup Start\n");
    try {
        m_host.ShowTaskbar();
    } catch (...) {
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (m_pptapp.IsEmpty()) {
        Trace("You haven't started the server yet.");
        return;
    }
    try {
        ReleaseAll();
    } catch (...) {
        if (!m_bPowerPointWasRunning) {
            Trace("Exception in DoCleanup()with Powerpoint Not Running Already");
            KillPowerPoint();
        } else {
            Trace("Exception in DoCleanup()- Powerpoint Running Already");
        }
    }
    if (m_bOleInitialised) {
        m_bOleInitialised = false;
        OleUninitialize();
    }
}

void CPptAutomation::ReleaseAll() {
    if (m_pIConnectionPoint) {
        Trace("CPptContainerDlg::DoCleanup m_pIConnectionPoint != NULL\n");
        m_pIConnectionPoint->Unadvise(m_pEventSink ? m_pEventSink->m_dwCookie : 0);
        m_pIConnectionPoint.reset();
    }
    if (m_pEventSink) {
        Trace("CPptContainerDlg::DoCleanup m_pEventSink != NULL\n");
        PPTEventSink* sink = std::exchange(m_pEventSink, nullptr);
        sink->Release();  // the reference handed to the connection
        sink->Release();  // ours: the sink goes unless the office still holds it
    }
    if (!m_pptSlideShowWindow.IsEmpty()) {
        Trace("CPptContainerDlg::DoCleanup m_pptSlideShowWindow.m_lpDispatch != NULL\n");
        m_pptSlideShowWindow.ReleaseDispatch();
    }
    if (!m_slideshow.IsEmpty()) {
        Trace("CPptContainerDlg::DoCleanup m_slideshow.m_lpDispatch != NULL\n");
        m_slideshow.ReleaseDispatch();
    }
    if (!m_pptpresentation.IsEmpty()) {
        Trace("CPptContainerDlg::DoCleanup m_pptpresentation.m_lpDispatch != NULL\n");
        if (!g_bSlideShowEnded) m_pptpresentation.InvokeMethod(ppt::Presentation_Close);
        m_pptpresentation.ReleaseDispatch();
    }
    if (!m_pptapp.IsEmpty()) {
        Trace("CPptContainerDlg::DoCleanup m_pptapp.m_lpDispatch != NULL\n");
        if (!m_bPowerPointWasRunning) m_pptapp.InvokeMethod(ppt::Application_Quit);
        m_pptapp.ReleaseDispatch();
    }
}

COleDispatchDriver CPptAutomation::GetSlideShowView() const {
    if (m_pptSlideShowWindow.IsEmpty()) return {};
    return COleDispatchDriver(m_pptSlideShowWindow.GetDispatchProperty(ppt::SlideShowWindow_View));
}

void CPptAutomation::SetViewState(int state) const {
    COleDispatchDriver view = GetSlideShowView();
    if (!view.IsEmpty()) view.SetProperty(ppt::SlideShowView_State, Variant::I4(state));
}

int CPptAutomation::CurrentShowPosition() const {
    return GetSlideShowView().GetProperty(ppt::SlideShowView_CurrentShowPosition).ToInt();
}

std::optional<std::chrono::steady_clock::time_point> CPptAutomation::SlideShownSince() const {
    try {
        const std::int64_t us = GetSlideShowView().GetProperty(ppt::SlideShowView_SlideShownSince).ToInt64();
        if (us <= 0) return std::nullopt;
        return std::chrono::steady_clock::time_point(std::chrono::microseconds(us));
    } catch (const AutomationException&) {
        return std::nullopt;
    }
}

void CPptAutomation::NextSlide() const { GetSlideShowView().InvokeMethod(ppt::SlideShowView_Next); }

void CPptAutomation::ActivateSlideShowWindow() const {
    m_pptSlideShowWindow.InvokeMethod(ppt::SlideShowWindow_Activate);
}

int CPptAutomation::SlideCount() const {
    if (m_pptpresentation.IsEmpty()) return 0;
    COleDispatchDriver slides(m_pptpresentation.GetDispatchProperty(ppt::Presentation_Slides));
    return slides.GetProperty(ppt::Slides_Count).ToInt();
}

}  // namespace kv
