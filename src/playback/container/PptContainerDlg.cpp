#include "playback/container/PptContainerDlg.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QTimer>

#include "app/core/AppMessages.h"
#include "platform/core/Trace.h"
#include "platform/ui/KeyGrab.h"
#include "platform/ui/QtMessageThread.h"
#include "platform/ui/QtWindowPresenter.h"
#include "playback/container/ContainerToolbar.h"
#include "recording/state/RecorderState.h"

namespace kv {

const char* const CPptContainerDlg::kCaption = "Press ESC key to end recording.";
const char* const CPptContainerDlg::kRecordingCaption = "Recording...Press ESC key to finish.";
const char* const CPptContainerDlg::kPausedCaption = "Recording paused...";
const char* const CPptContainerDlg::kSavingCaption = "Please wait while we save the video file...";

bool RegisterContainerClass() { return true; }

namespace {

// A black native window of the slide area that never takes the keyboard.
QWidget* BlackNativeChild(QWidget* parent) {
    auto* child = new QWidget(parent);
    child->setAttribute(Qt::WA_NativeWindow);
    child->setAutoFillBackground(true);
    QPalette palette = child->palette();
    palette.setColor(QPalette::Window, Qt::black);
    child->setPalette(palette);
    child->setFocusPolicy(Qt::NoFocus);
    return child;
}

}  // namespace

CPptContainerDlg::CPptContainerDlg(std::string presentationPath, int captureMode, float advanceSeconds, int width,
                                   int height, bool startImmediately, ContainerServices services, QWidget* parent)
    : QDialog(parent),
      m_strPresentationPath(std::move(presentationPath)),
      m_nCaptureMode(captureMode),
      m_fAdvanceSeconds(advanceSeconds),
      m_nWidth(width),
      m_nHeight(height),
      m_nAskedWidth(width),
      m_nAskedHeight(height),
      m_bStartImmediately(startImmediately),
      m_services(std::move(services)),
      m_automation(*this, m_strPresentationPath, captureMode, advanceSeconds, width, height, startImmediately),
      m_tile(BackgroundTile()) {
    // A caption without a close box, always on top.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(QString::fromLatin1(kCaption));
    setFocusPolicy(Qt::StrongFocus);

    // The office draws the show into this native window.
    m_slideArea = BlackNativeChild(this);
    m_slideArea->setAttribute(Qt::WA_DontCreateNativeAncestors);
    // The slide's place in it, and the office's window inside that: a pixel
    // or two larger than the place, as the show draws its page a pixel
    // smaller than its window and leaves a light and a dark line after it.
    m_pageArea = BlackNativeChild(m_slideArea);
    m_officeArea = BlackNativeChild(m_pageArea);

    m_hWnd = CreateWindowHandle(this, &QtMessageThread::Main(), kContainerClassName, kCaption);
    m_presenter = std::make_unique<QtWindowPresenter>(this);
    SetWindowPresenter(m_hWnd, m_presenter.get());
    OnInitDialog();
}

CPptContainerDlg::~CPptContainerDlg() {
    Trace("CPptContainerDlg::~CPptContainerDlg\n");
    // No message reaches this object from here on.
    SetWindowPresenter(m_hWnd, nullptr);
    DestroyWindowHandle(m_hWnd);
    HWND expected = m_hWnd;
    g_hContainerWnd.compare_exchange_strong(expected, 0);
    if (m_hShowChild) {
        expected = m_hShowChild;
        g_hSlideShowWnd.compare_exchange_strong(expected, 0);
        DestroyWindowHandle(m_hShowChild);
    }
    try {
        if (m_services.recorder) m_services.recorder->ReleaseInstance();
    } catch (...) {
        Trace("CPptContainerDlg Destructor - Caught Exception");
    }
    if (m_bTaskbarHidden && m_services.taskbar) m_services.taskbar->Show(true);
    g_iToolbarButtonHeight = 0;
    // The automation member releases any office object still held.
}

void CPptContainerDlg::OnInitDialog() {
    m_automation.Initialise(&QtMessageThread::Main());

    m_wndToolBar = new ContainerToolbar(this);
    connect(m_wndToolBar, &ContainerToolbar::Command, this, [this](int command) {
        switch (command) {
        case ID_BTN_PLAY: OnClickedBtnPlay(); break;
        case ID_BTN_PAUSE: OnClickedBtnPause(); break;
        case ID_BTN_STOP: OnClickedBtnStop(); break;
        case ID_BTN_NEXTSLIDE: OnClickedBtnNextSlide(); break;
        default: break;
        }
    });
    FitToRecordingSize(0);
    m_wndToolBar->show();
    PlaceToolbar();

    m_wndToolBar->EnableButton(ID_BTN_PAUSE, false);
    m_wndToolBar->EnableButton(ID_BTN_STOP, false);
    // With the presentation's own timings a slide without one waits for the presenter, who moves it on with Next.
    m_wndToolBar->EnableButton(ID_BTN_NEXTSLIDE, m_nCaptureMode == 3 || (m_nCaptureMode == 1 && !m_bStartImmediately));
    // The recorder cuts the toolbar band off the capture rectangle; it asks
    // the toolbar's window for the button size.
    m_wndToolBar->RegisterWindow(m_hWnd);
    g_iToolbarButtonHeight = m_wndToolBar->ButtonHeight();

    // The recorder grabs the client area of this window.
    SetNativeWindow(m_hWnd, static_cast<unsigned long>(winId()));
    g_hContainerWnd = m_hWnd;
    // Escape and Enter stop the recording also while the office's show has the keyboard.
    KeepKeysForWindow(this, {kKeyEscape, kKeyReturn, kKeyPadEnter});
}

unsigned long CPptContainerDlg::SlideAreaWindow() { return static_cast<unsigned long>(m_officeArea->winId()); }

void CPptContainerDlg::ShowContainer(bool show) { setVisible(show); }

void CPptContainerDlg::ShowTaskbar() {
    if (m_services.taskbar) m_services.taskbar->Show(true);
    m_bTaskbarHidden = false;
}

void CPptContainerDlg::EndDialog(int result) { QDialog::done(result); }

void CPptContainerDlg::SetCaption(const char* text) {
    setWindowTitle(QString::fromLatin1(text));
    SetWindowText(m_hWnd, text);
}

void CPptContainerDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawTiledPixmap(rect(), m_tile);
    if (!m_bFirstPaintDone) {
        m_bFirstPaintDone = true;
        // Started from the loop rather than inside the paint, so the office's
        // own events can be served while the show starts.
        QTimer::singleShot(0, this, [this] { StartShowOnFirstPaint(); });
    } else if (g_hSlideShowWnd.load() && m_slideArea) {
        m_slideArea->update();
    }
}

void CPptContainerDlg::StartShowOnFirstPaint() {
    // A show resized while it waits for Play is not drawn again: it starts
    // at the size that fits with the frame the window has by now.
    RefitToKnownFrame();
    if (m_automation.RunSlideShow() != S_OK) {
        Trace("RunSlideShow failed.");
        return;
    }
    if (m_automation.m_bPowerPlugs) return;
    if (m_bStartImmediately) OnClickedBtnPlay();
    FindSlideShowChild();
}

void CPptContainerDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    PlaceToolbar();
}

void CPptContainerDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) ActivatePPTWindow();
    QDialog::mousePressEvent(event);
}

void CPptContainerDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape: OnCancel(); break;
    case Qt::Key_Return:
    case Qt::Key_Enter: OnOK(); break;
    case Qt::Key_F1: break;  // no help here
    default: QDialog::keyPressEvent(event); break;
    }
}

void CPptContainerDlg::closeEvent(QCloseEvent* event) {
    // No close box; a close request from the window manager counts as Escape.
    event->ignore();
    OnCancel();
}

void CPptContainerDlg::accept() { OnOK(); }
void CPptContainerDlg::reject() { OnCancel(); }

bool CPptContainerDlg::event(QEvent* event) {
    if (event->type() == QEvent::WhatsThis) return true;
    // The window manager activates our window (a click on the caption, a
    // late answer to our own activation): after Play the keys belong to the show.
    if (event->type() == QEvent::WindowActivate && m_bRecordingStarted && !m_bStopped)
        QTimer::singleShot(0, this, [this] { ActivatePPTWindow(); });
    // A press on the caption brings the show forward; the window is not dragged.
    if (event->type() == QEvent::NonClientAreaMouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ActivatePPTWindow();
        return true;
    }
    return QDialog::event(event);
}

}  // namespace kv
