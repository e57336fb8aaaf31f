#pragma once
// The wizard: a borderless window in the shape of its frame bitmap, always
// on top and centred, with four pages chosen by hovering their tabs. Convert
// stores every setting and runs the container; the wizard then closes.
#include <QDialog>
#include <QImage>
#include <QRegion>
#include <QTimer>
#include <memory>

#include "app/core/ContainerRunner.h"
#include "app/wizard/AVSettingPage.h"
#include "app/wizard/CaptureModePage.h"
#include "app/wizard/IOSettings.h"
#include "app/wizard/WizardControls.h"
#include "audio/LiveSoundCheck.h"
#include "platform/core/Messages.h"

namespace kv {

class WizardShell;
class WizardSources;

class CTransparentDialogDlg : public QDialog, public MessageReceiver {
    Q_OBJECT
public:
    CTransparentDialogDlg(ContainerRunner& containerRunner, WizardShell& shell, WizardSources& sources,
                          QWidget* parent = nullptr);
    ~CTransparentDialogDlg() override;

    HWND Handle() const { return m_hWnd; }
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    // WM_SKIN_HOVER and WM_SKIN_CLICK with the control's notification id.
    LRESULT OnSkinHover(int id);
    LRESULT OnSkinClick(int id);
    // A button's command (keyboard) and a combo's selection change.
    void OnCommand(int id);
    void OnSelChange(int comboId);
    // Checks, stores the settings, runs the container; false when it stopped early.
    bool OnConvert();
    // The presentation given on the command line; see CIOSettings::OpenPresentation.
    bool OpenPresentation(const std::string& path) { return m_ioPage->OpenPresentation(path); }

    const wizard::WizardState& State() const { return m_state; }
    wizard::WizardControls& Controls() { return *m_controls; }
    wizard::CAVSettingPage& AVPage() { return *m_avPage; }
    const LiveSoundCheck& SoundCheck() const { return m_soundCheck; }
    // The window's shape from the frame bitmap; empty when the frame is missing.
    const QRegion& Shape() const { return m_shape; }
    // Shows the wizard and returns its result when it closes. Not exec():
    // a dialog's modal run ends when it hides, and the wizard hides while the
    // show runs and comes back when nothing was recorded.
    int Run();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The size a recording asked at `asked` gets: what the screen has room
    // for beside the recording window's toolbar and frame, as the recorder
    // rounds it. Of the screen's size, the largest the screen records.
    wizard::Size RecordableSize(wizard::Size asked) const;
    void SetUpButtons();
    void OnInitDialog();
    void OnSize();
    void ShowPage(int pageId);
    wizard::PageView ViewOf(int pageId) const;
    void HighlightRow(int row);
    void OnRowClick(int row);
    void OnHelp();
    bool CheckInput();
    bool CheckFastRender();
    void StoreInputAndSound();
    bool CheckCaptureSize();
    bool CheckRoom();
    // The size the video will have: the chosen one, cut to what the screen records.
    wizard::Size RecordedSize() const;
    void TellReducedSize();
    void StoreSettings();
    // kRecordingMade, or kNothingRecorded (the wizard then stays).
    int RunContainer();
    // The Audio page's live check: listens while the page is open, to the
    // device chosen now; stopped (the device free) on any other page, when
    // the wizard hides and before a recording starts.
    void StartSoundCheck();
    void StopSoundCheck();
    void ShowSoundCheck();

    ContainerRunner& m_containerRunner;
    WizardShell& m_shell;
    WizardSources& m_sources;
    wizard::WizardState m_state;
    std::unique_ptr<wizard::WizardControls> m_controls;
    std::unique_ptr<wizard::CIOSettings> m_ioPage;
    std::unique_ptr<wizard::CAVSettingPage> m_avPage;
    std::unique_ptr<wizard::CCaptureModePage> m_capturePage;
    QImage m_frame;
    QRegion m_shape;
    QPoint m_dragOffset;
    bool m_bDragging = false;
    bool m_bClosed = false;
    HWND m_hWnd = 0;
    LiveSoundCheck m_soundCheck;
    QTimer m_soundCheckTimer;
};

}  // namespace kv
