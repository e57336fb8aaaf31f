// Where the container, its slide area and its toolbar sit on the screen.
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include "platform/core/Trace.h"
#include "platform/ui/QtMessageThread.h"
#include "playback/PowerPlugsLaunch.h"
#include "playback/ShowPlacement.h"
#include "playback/container/ContainerFit.h"
#include "playback/container/ContainerToolbar.h"
#include "playback/container/PptContainerDlg.h"
#include "recording/CaptureArea.h"
#include "recording/state/RecorderState.h"

namespace kv {
namespace {

// The hosted show as a window of the registry: it answers no messages; its
// caption and native window are what the recorder looks for.
class ShowChildWindow : public MessageReceiver {
public:
    LRESULT OnMessage(UINT, WPARAM, LPARAM) override { return 0; }
};

QMargins FrameOf(const QWidget& window) {
    const QRect outer = window.frameGeometry();
    const QRect client = window.geometry();
    return {client.left() - outer.left(), client.top() - outer.top(), outer.right() - client.right(),
            outer.bottom() - client.bottom()};
}

}  // namespace

void CPptContainerDlg::FitToRecordingSize(HWND slideShowWindow) {
    // The window manager's frame is known once the window is mapped; until
    // then the frame it will get counts, so the show starts at its final size.
    m_fittedFrame = FrameOf(*this);
    if (m_fittedFrame.isNull()) m_fittedFrame = ExpectedContainerFrame();
    const int buttonHeight = m_wndToolBar ? m_wndToolBar->ButtonHeight() : kDefaultToolbarButtonHeight;
    const QRect screen = PrimaryWorkArea();
    const ContainerFit fit = FitSlideArea(QSize(m_nWidth, m_nHeight), screen, m_fittedFrame, buttonHeight);
    m_nWidth = fit.slideArea.width();
    m_nHeight = fit.slideArea.height();
    if (fit.cutHeight && !m_automation.m_bPowerPlugs && m_services.taskbar) {
        m_services.taskbar->Show(false);
        m_bTaskbarHidden = true;
    }
    const int width = fit.outer.width(), height = fit.outer.height();
    const int fw = m_fittedFrame.left() + m_fittedFrame.right();
    const int fh = m_fittedFrame.top() + m_fittedFrame.bottom();
    if (m_automation.m_nWidth != m_nWidth || m_automation.m_nHeight != m_nHeight) {
        try {
            m_automation.ResizeShowArea(m_nWidth, m_nHeight);
        } catch (const AutomationException&) {
            Trace("The show could not take the fitted size of the slide area\n");
        }
    }

    setFixedSize(width - fw, height - fh);
    move(screen.x() + (screen.width() - width) / 2, screen.y() + (screen.height() - height) / 2);
    // The slide area always matches the capture size: the office draws into it.
    m_slideArea->setGeometry(0, 0, m_nWidth, m_nHeight);
    const int pageWidth = m_automation.m_nPageWidth, pageHeight = m_automation.m_nPageHeight;
    const PixelRect place = SlidePlaceIn(m_nWidth, m_nHeight, pageWidth, pageHeight);
    const PixelRect office = OfficeWindowFor(m_nWidth, m_nHeight, pageWidth, pageHeight);
    m_pageArea->setGeometry(place.x, place.y, place.width, place.height);
    m_officeArea->setGeometry(office.x, office.y, office.width, office.height);
    if (slideShowWindow) m_slideArea->raise();

    // After Play the show has the keyboard: a refit must not take it back.
    if (!m_bRecordingStarted) {
        raise();
        activateWindow();
    }
    const QRect placed = frameGeometry();
    TraceF("Dialog Window Coordinates -- L:%d, T:%d, R:%d, B:%d\n", placed.left(), placed.top(),
           placed.left() + placed.width(), placed.top() + placed.height());
}

void CPptContainerDlg::RefitWhenFrameKnown(int checksLeft) {
    if (checksLeft <= 0) return;
    QTimer::singleShot(100, this, [this, checksLeft] {
        // The capture size stays once recording has begun.
        if (m_bStopped || g_bRecording || !m_automation.m_bStartedCompletely) return;
        RefitToKnownFrame();
        RefitWhenFrameKnown(checksLeft - 1);
    });
}

void CPptContainerDlg::RefitToKnownFrame() {
    const QMargins frame = FrameOf(*this);
    if (frame.isNull() || frame == m_fittedFrame) return;
    Trace("The window manager's frame is known: fitting the container again\n");
    m_nWidth = m_nAskedWidth;
    m_nHeight = m_nAskedHeight;
    FitToRecordingSize(m_hShowChild);
}

void CPptContainerDlg::PlaceToolbar() {
    if (!m_wndToolBar) return;
    const QSize full = m_wndToolBar->FullSize();
    const int cx = width();
    const int cy = height();
    m_wndToolBar->setGeometry(cx / 2 - full.width() / 2, cy - static_cast<int>(1.5 * full.height()), full.width(),
                              full.height());
}

void CPptContainerDlg::PositionSlideShowWindow() {
    const bool powerPlugs = m_automation.m_bPowerPlugs != 0;
    if (!powerPlugs) {
        // Our office draws its show straight into the slide area; that area is
        // the show window the recorder finds among the container's children.
        if (!m_automation.m_pptSlideShowWindow.IsEmpty()) {
            if (!m_hShowChild) {
                m_showChildReceiver = std::make_unique<ShowChildWindow>();
                m_hShowChild = CreateWindowHandle(m_showChildReceiver.get(), &QtMessageThread::Main(),
                                                  kShowWindowClass, "", m_hWnd);
                SetNativeWindow(m_hShowChild, static_cast<unsigned long>(m_slideArea->winId()));
            }
            if (!SetWindowText(m_hShowChild, kSlideShowCaption))
                Trace("Failed To Set Caption for Kalvista - SlideShow ActiveX\n");
            FitToRecordingSize(m_hShowChild);
            RefitWhenFrameKnown(30);
        }
    }
    // With the add-in, its own full-screen show window stays where it is.
    m_automation.m_bStartedCompletely = true;
    if (!powerPlugs) {
        auto event = g_hPositionedEvent.load();
        if (!event) {
            event = NamedEvent::Open(kPositionedEventName);
            g_hPositionedEvent.store(event);
        }
        event->Set();
    }
}

void CPptContainerDlg::FindSlideShowChild() {
    if (HWND child = FindChildWindow(m_hWnd, {}, kSlideShowCaption)) g_hSlideShowWnd = child;
}

}  // namespace kv
