#pragma once
// The window in which the slide show plays and is recorded: the office's show
// is drawn into its slide area at exactly the capture size, a small toolbar
// below starts, pauses and stops the recording, and the stop sequence hands
// over to the conversion dialog and ends the office connection.
#include <QDialog>
#include <QMargins>
#include <QPixmap>
#include <atomic>
#include <memory>
#include <string>

#include "platform/core/Messages.h"
#include "playback/PptAutomation.h"
#include "playback/container/ContainerServices.h"

namespace kv {

class ContainerToolbar;
class QtWindowPresenter;

// Registers the container's window class. The class lives in the window
// registry: the container's handle carries "PPTContainerDlgClass", which is
// what the recorder looks up. Always succeeds here.
bool RegisterContainerClass();

class CPptContainerDlg : public QDialog, public MessageReceiver, public CPptAutomation::Host {
    Q_OBJECT
public:
    CPptContainerDlg(std::string presentationPath, int captureMode, float advanceSeconds, int width, int height,
                     bool startImmediately, ContainerServices services = DefaultContainerServices(),
                     QWidget* parent = nullptr);
    ~CPptContainerDlg() override;

    // Toolbar commands.
    void OnClickedBtnPlay();
    void OnClickedBtnPause();
    void OnClickedBtnStop() override;
    void OnClickedBtnNextSlide();

    // Enter and Escape.
    void OnOK();
    void OnCancel();

    void PositionSlideShowWindow() override;
    void PageSizeKnown() override { FitToRecordingSize(m_hShowChild); }
    void FitToRecordingSize(HWND slideShowWindow);
    // Fits again, until recording begins, when the window manager's frame turns out other than fitted.
    void RefitWhenFrameKnown(int checksLeft);
    // Fits again when the window manager's frame is other than the last fit counted with.
    void RefitToKnownFrame();
    void FindSlideShowChild();
    void ActivatePPTWindow();

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    HWND WindowHandle() const { return m_hWnd; }
    // The area the show is drawn into (top-left of the client area).
    QWidget* SlideArea() const { return m_slideArea; }
    ContainerToolbar* ToolBar() const { return m_wndToolBar; }
    CPptAutomation& Automation() { return m_automation; }
    bool IsStopped() const { return m_bStopped; }
    // Play started a recording that was not refused before its first picture.
    bool MadeRecording() const { return m_bRecordingStarted && !m_bRecordingRefused; }
    int CaptureWidth() const { return m_nWidth; }
    int CaptureHeight() const { return m_nHeight; }

    // CPptAutomation::Host
    HWND ContainerWindow() override { return m_hWnd; }
    unsigned long SlideAreaWindow() override;
    void ShowContainer(bool show) override;
    void ShowTaskbar() override;
    void EndDialog(int result) override;

    // The container's caption texts (resource strings 125 to 127).
    static const char* const kCaption;
    static const char* const kRecordingCaption;
    static const char* const kPausedCaption;
    static const char* const kSavingCaption;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void accept() override;
    void reject() override;
    bool event(QEvent* event) override;

private:
    void OnInitDialog();
    void StartShowOnFirstPaint();
    void PlaceToolbar();
    void SetCaption(const char* text);
    void IsSlideShowEndReached();
    // Notes a slide change of the recorded show, at the recording's time.
    void NoteShownSlide(int position);
    void OnRecorderError(WPARAM code, LPARAM lParam);
    void OnSlideShowEnd();
    void OnContinueSlideShow();
    void OnStartRecording();
    void OnRecordingClockStarted();
    void OnSlideShowLaunchError();
    bool TimedMode() const { return m_nCaptureMode == 1 || m_nCaptureMode == 2; }
    // The show's length where the container times it; 0 otherwise.
    int ExpectedShowSeconds();
    void RunStopSequence();

    std::string m_strPresentationPath;
    int m_nCaptureMode;
    float m_fAdvanceSeconds;
    int m_nWidth;
    int m_nHeight;
    // The size asked, before the screen's size cut it down.
    int m_nAskedWidth;
    int m_nAskedHeight;
    QMargins m_fittedFrame;  // the window manager's frame the last fit counted with
    bool m_bStartImmediately;

    ContainerServices m_services;
    CPptAutomation m_automation;
    ContainerToolbar* m_wndToolBar = nullptr;
    QWidget* m_slideArea = nullptr;   // the recorded area
    QWidget* m_pageArea = nullptr;    // the slide's place in the slide area; cuts the office's window to it
    QWidget* m_officeArea = nullptr;  // the office draws its show into this window
    QPixmap m_tile;
    HWND m_hWnd = 0;
    HWND m_hShowChild = 0;  // the registry entry of the hosted show
    std::unique_ptr<MessageReceiver> m_showChildReceiver;
    // How a second start of the program brings this window forward.
    std::unique_ptr<QtWindowPresenter> m_presenter;

    bool m_bRecordingStarted = false;
    bool m_bRecordingRefused = false;  // the recorder ended with an error before its first picture
    // A timed show's first Play: the show runs on once the recording clock has started.
    bool m_bShowWaitsForClock = false;
    std::atomic<bool> m_bStopped{false};
    int m_nSlideCount = 0;
    int m_nShownSlide = 0;  // the slide last noted as shown, 0 before the first
    bool m_bFirstPaintDone = false;
    bool m_bTaskbarHidden = false;
    bool m_bOfficeLost = false;  // the show ended because the office went away
};

}  // namespace kv
