#pragma once
// The conversion dialog: shows the merge progress while the recorder saves,
// then moves (AVI) or converts the recording on its worker thread, and ends
// with the place of the output file and a Finish button.
//
// Run it modally when recording stops:
//     kv::CWaitDlg dialog;
//     dialog.exec();
//     kv::CWaitDlg::PlayOutputFile();
// While it is open, g_hWaitDlg names it: the recorder sends UWM_MERGE_PROGRESS
// and UWM_DIALOGEND, the container UWM_RECORDER_ERROR.
#include <QDialog>
#include <QString>
#include <memory>
#include <string>

#include "conversion/dialog/WaitDlgLayout.h"
#include "platform/core/Messages.h"

class QAbstractButton;
class QLabel;
class QTimer;

namespace kv {

class CKCBusyProgressCtrl;
class ConvertThread;

class CWaitDlg : public QDialog, public MessageReceiver {
    Q_OBJECT
public:
    static constexpr int IDD = 148;
    static constexpr int IDC_BUSY = 1051;
    static constexpr int IDC_MERGE_PROGRESS = 1052;
    static constexpr int IDC_FINISH = 1058;

    explicit CWaitDlg(QWidget* parent = nullptr);
    ~CWaitDlg() override;

    // Makes `path` name a file that does not exist yet (talk.mp4, talk1.mp4,
    // talk2.mp4, ...) and stores it as OutputFileName.
    static bool GetOutPutFileName(std::string& path);
    // Opens the output file with the desktop's player when RunVideo is set
    // and no recording error was shown.
    static void PlayOutputFile();

    // Window messages from the recorder, the container and the worker.
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    HWND Handle() const { return m_hWnd; }
    bool IsDone() const { return m_bDone != 0; }
    bool ConversionFailed() const { return m_bFailed; }
    const QString& DoneText() const { return m_strDoneText; }
    // After a failed conversion: "Conversion failed: <why>", and on a line of
    // its own where the recording is kept.
    const QString& FailureText() const { return m_strFailureText; }
    CKCBusyProgressCtrl& BusyCtrl() { return *m_ctrlBusy; }
    CKCBusyProgressCtrl& MergeProgressCtrl() { return *m_ctrlMergeProgress; }
    QAbstractButton& FinishButton() { return *m_btnFinish; }
    // "<n> % — about <m:ss> left" beside the busy control while converting.
    QLabel& ProgressLabel() { return *m_progressLabel; }
    // Said under the video's place once the video is made (that it is
    // smaller than the size chosen); nothing when there is no video.
    void SetSizeNote(const QString& note) { m_strSizeNote = note; }
    // Where the texts are drawn.
    const WaitDlgPlaces& TextPlaces() const { return m_places; }
    // Waits for a running worker (tests and an orderly exit); true when none runs.
    bool WaitForConvertThread(int timeoutMs);

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void accept() override {}
    void reject() override {}

private:
    void OnInitDialog();
    LRESULT OnDialogEnd();
    LRESULT OnMergeProgress(WPARAM percent);
    LRESULT ConvertWMVToX();
    bool MoveRecordingToOutput();
    void CloseDialog();
    void ShowConversionProgress();

    int m_bDialogEndHandled = 0;
    std::unique_ptr<ConvertThread> m_pConvertThread;
    CKCBusyProgressCtrl* m_ctrlBusy = nullptr;
    CKCBusyProgressCtrl* m_ctrlMergeProgress = nullptr;
    QAbstractButton* m_btnFinish = nullptr;
    QLabel* m_progressLabel = nullptr;
    QTimer* m_progressTimer = nullptr;
    QString m_strFormatText;
    QString m_strOutputText;
    QString m_strDoneText;
    QString m_strFailureText;
    QString m_strSizeNote;
    WaitDlgPlaces m_places;
    int m_bDone = 0;
    bool m_bFailed = false;
    bool m_bInitialised = false;
    bool m_bClosed = false;
    HWND m_hWnd = 0;
};

}  // namespace kv
