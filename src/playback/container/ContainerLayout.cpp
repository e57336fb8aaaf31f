// Where the container, its slide area and its toolbar sit on the screen.
#include <QGuiApplication>
#include <QScreen>

#include "platform/core/Trace.h"
#include "platform/ui/QtMessageThread.h"
#include "playback/PowerPlugsLaunch.h"
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

QRect ScreenGeometry() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

}  // namespace

void CPptContainerDlg::FitToRecordingSize(HWND slideShowWindow) {
    const QRect outer = frameGeometry();
    const QRect client = geometry();
    const int fw = outer.width() - client.width();
    const int fh = outer.height() - client.height();
    const int buttonHeight = m_wndToolBar ? m_wndToolBar->ButtonHeight() : kDefaultToolbarButtonHeight;

    int width = m_nWidth + fw;
    int height = m_nHeight + 2 * buttonHeight + fh;
    const QRect screen = ScreenGeometry();
    if (width > screen.width()) {
        m_nWidth -= width - screen.width();
        width = screen.width();
    }
    if (height > screen.height()) {
        m_nHeight -= height - screen.height();
        height = screen.height();
        if (!m_automation.m_bPowerPlugs && m_services.taskbar) {
            m_services.taskbar->Show(false);
            m_bTaskbarHidden = true;
        }
    }
    m_automation.m_nWidth = m_nWidth;
    m_automation.m_nHeight = m_nHeight;

    setFixedSize(width - fw, height - fh);
    move(screen.x() + (screen.width() - width) / 2, screen.y() + (screen.height() - height) / 2);
    // The slide area always matches the capture size: the office draws into it.
    m_slideArea->setGeometry(0, 0, m_nWidth, m_nHeight);
    if (slideShowWindow) m_slideArea->raise();

    raise();
    activateWindow();
    const QRect placed = frameGeometry();
    TraceF("Dialog Window Coordinates -- L:%d, T:%d, R:%d, B:%d\n", placed.left(), placed.top(),
           placed.left() + placed.width(), placed.top() + placed.height());
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
                SetNativeWindow(m_hShowChild, SlideAreaWindow());
            }
            if (!SetWindowText(m_hShowChild, kSlideShowCaption))
                Trace("Failed To Set Caption for Kalvista - SlideShow ActiveX\n");
            FitToRecordingSize(m_hShowChild);
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
