#include "conversion/dialog/WaitDlg.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <QUrl>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "controls/BusyProgressCtrl.h"
#include "controls/CustomeButton.h"
#include "controls/SkinBitmaps.h"
#include "controls/SkinNotify.h"
#include "conversion/ConversionFailure.h"
#include "conversion/ConversionProgress.h"
#include "conversion/ConvertAVITOXThread.h"
#include "conversion/OutputFileName.h"
#include "conversion/OutputFormats.h"
#include "conversion/PlayableAvi.h"
#include "conversion/dialog/WaitDlgLayout.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"
#include "platform/ui/QtMessageThread.h"
#include "recording/state/RecorderState.h"

namespace kv {

namespace {

// Dialog units of the dialog's template: 1.5 pixels across, 1.625 down.
QRect FromDialogUnits(int x, int y, int width, int height) {
    auto across = [](int units) { return static_cast<int>(std::lround(units * 1.5)); };
    auto down = [](int units) { return static_cast<int>(std::lround(units * 1.625)); };
    return QRect(across(x), down(y), across(width), down(height));
}

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

// The reason, then where the recording is when it is still there.
std::string FailureLines(const std::string& reason) {
    std::string lines = ConversionFailedText(reason);
    const std::string recording = settings::AVIVideoFileName.Get();
    std::error_code error;
    if (!recording.empty() && std::filesystem::exists(recording, error)) lines += "\n" + RecordingKeptText(recording);
    return lines;
}

const char* const kCompressingText = "Compressing Video Data...";
const char* const kCaptionConverting = "Kalvista - Conversion is in progress...";
const char* const kCaptionDone = "Kalvista";
const char* const kAviMoveFailed = "File Creation Error : Unable to create output AVI file";

}  // namespace

CWaitDlg::CWaitDlg(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("CWaitDlg");
    setFixedSize(FromDialogUnits(0, 0, 330, 119).size());
    setMouseTracking(true);
    setWindowIcon(QIcon(LoadSkinBitmap(128)));  // the program's icon
    m_ctrlMergeProgress = new CKCBusyProgressCtrl(10, 0, this);
    m_ctrlMergeProgress->setGeometry(FromDialogUnits(51, 43, 205, 8));
    m_ctrlBusy = new CKCBusyProgressCtrl(10, 0, this);
    m_ctrlBusy->setGeometry(FromDialogUnits(51, 75, 205, 8));
    m_ctrlMergeProgress->RecalcLayout();
    m_ctrlBusy->RecalcLayout();
    auto* finish = new CCustomeButton(this);
    finish->SetBitmaps(317, 316, 316);
    finish->SetNotifyId(IDC_FINISH);
    finish->setText("&Finish");
    finish->setGeometry(FromDialogUnits(140, 90, 50, 14));
    m_btnFinish = finish;
    m_places = WaitDlgTextPlaces(size(), m_ctrlMergeProgress->geometry(), m_ctrlBusy->geometry(), finish->geometry());
    // Under the busy bar, one line across the panel: long enough for any percent and time left.
    m_progressLabel = new QLabel(this);
    m_progressLabel->setGeometry(m_places.progress);
    m_progressLabel->setStyleSheet("color: white;");
    m_progressLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    QFont small("Arial");
    small.setPointSize(kSmallestPoints);
    m_progressLabel->setFont(small);
    m_progressLabel->hide();
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(250);
    connect(m_progressTimer, &QTimer::timeout, this, [this] { ShowConversionProgress(); });
    // Space on the focused button: the keyboard's way to press Finish.
    connect(m_btnFinish, &QAbstractButton::clicked, this, [this] { CloseDialog(); });
}

CWaitDlg::~CWaitDlg() {
    if (m_hWnd) {
        if (g_hWaitDlg.load() == m_hWnd) g_hWaitDlg = 0;
        DestroyWindowHandle(m_hWnd);
    }
    m_ctrlBusy->Stop();
    // A worker still converting runs on by itself (ConvertThread lets it go).
}

void CWaitDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_bInitialised) {
        m_bInitialised = true;
        OnInitDialog();
    }
}

void CWaitDlg::OnInitDialog() {
    setWindowTitle(kCaptionConverting);
    const std::string format = settings::OutputFormat.GetOr(settings::kOutputFormatDefaultInConversion);
    m_strFormatText = QString::asprintf("%s%s%s", "Converting To ", format.c_str(), " Format...");
    m_ctrlMergeProgress->show();
    m_ctrlBusy->show();
    m_btnFinish->setEnabled(false);
    m_btnFinish->hide();

    m_hWnd = CreateWindowHandle(this, &QtMessageThread::Main(), "#32770", kCaptionConverting);
    SetSkinParentWindow(this, m_hWnd);
    if (m_hWnd) {
        g_hWaitDlg = m_hWnd;
        Trace("CWaitDlg::OnInitDialog()- Dialog handle valid\n");
    }
    if (g_bRecorderThreadEnded) {
        // The recorder finished before this dialog could hear it. When it
        // left a recording, convert it now rather than drop it.
        std::error_code error;
        const std::string recording = settings::AVIVideoFileName.Get();
        if (!g_bRecorderError && !recording.empty() && std::filesystem::exists(recording, error)) {
            Trace("CWaitDlg::OnInitDialog()-Recording already ended, converting\n");
            PostMessage(m_hWnd, UWM_DIALOGEND, 0, 0);
        } else {
            Trace("CWaitDlg::OnInitDialog()-Ending dialog\n");
            // Queued, so the modal loop that is about to start ends at once.
            QMetaObject::invokeMethod(this, [this] { CloseDialog(); }, Qt::QueuedConnection);
            return;
        }
    }
    m_ctrlMergeProgress->Reset();
    m_ctrlMergeProgress->SetMode(CKCBusyProgressCtrl::BPC_MODE_PROGRESS);
    m_ctrlMergeProgress->m_nLower = 0;
    m_ctrlMergeProgress->m_nUpper = 100;

    m_ctrlBusy->Reset();
    m_ctrlBusy->m_nNumBlocks = 10;
    m_ctrlBusy->RecalcLayout();
    m_ctrlBusy->m_nSpeed = 250;
    m_ctrlBusy->m_nLower = -100;
    m_ctrlBusy->m_nUpper = 100;
    m_ctrlBusy->SetMode(CKCBusyProgressCtrl::BPC_MODE_BUSY);
    m_ctrlBusy->SetAnimationType(CKCBusyProgressCtrl::BPC_BUSY_LTR);
    m_ctrlMergeProgress->Start();  // progress mode: nothing to animate yet
}

LRESULT CWaitDlg::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == UWM_DIALOGEND) return OnDialogEnd();
    if (message == UWM_CONVERSIONEND) return ConvertWMVToX();
    if (message == UWM_MERGE_PROGRESS) return OnMergeProgress(wParam);
    if (message == UWM_RECORDER_ERROR) {
        CloseDialog();
        return 0;
    }
    if (message == WM_SKIN_CLICK && wParam == IDC_FINISH) {
        CloseDialog();
        return 0;
    }
    return 0;
}

LRESULT CWaitDlg::OnMergeProgress(WPARAM percent) {
    if (m_ctrlMergeProgress->m_nPos > 100) m_ctrlMergeProgress->m_nPos = 0;
    else m_ctrlMergeProgress->m_nPos = static_cast<int>(percent);
    m_ctrlMergeProgress->update();
    return 1;
}

LRESULT CWaitDlg::OnDialogEnd() {
    if (m_bDialogEndHandled) return 0;
    m_bDialogEndHandled = 1;
    Trace("CWaitDlg::OnDialogEnd()-Got message posted\n");
    m_ctrlMergeProgress->Stop();
    const std::string format = settings::OutputFormat.GetOr(settings::kOutputFormatDefaultInConversion);
    if (IsAviOutput(format) && !NeedsPlayableAvi(settings::AVIVideoFileName.Get())) {
        if (!MoveAVIToOutput()) {
            ShowMessageBox(std::string(kAviMoveFailed) + "\n" + FailureLines(ConversionFailure()));
            CloseDialog();
            return 0;
        }
        ConvertWMVToX();
        return 1;
    }
    if (!m_pConvertThread) {
        try {
            m_pConvertThread = std::make_unique<ConvertThread>([] { ConvertAVITOXThread(); });
            Trace("ConvertAVITOXThread thread scheduled to run.");
        } catch (const std::system_error&) {
            // No worker means no UWM_CONVERSIONEND: end now, as a failed conversion.
            Trace("ConvertAVITOXThread thread is already running.");
            ConvertWMVToX();
            return 1;
        }
    }
    m_ctrlBusy->setEnabled(true);
    m_ctrlMergeProgress->setEnabled(false);
    m_ctrlBusy->Start();
    m_progressLabel->clear();
    m_progressLabel->show();
    m_progressTimer->start();
    update();
    return 1;
}

LRESULT CWaitDlg::ConvertWMVToX() {
    const std::string output = settings::OutputFileName.Get();
    m_strOutputText = FromUtf8(output);
    m_ctrlBusy->Stop();
    m_progressTimer->stop();
    m_progressLabel->hide();
    setWindowTitle(kCaptionDone);
    m_ctrlBusy->hide();
    m_ctrlMergeProgress->hide();
    m_btnFinish->show();
    m_btnFinish->setEnabled(true);

    QFile file(m_strOutputText);
    const bool exists = !output.empty() && file.exists();
    if (exists && file.open(QIODevice::ReadOnly)) {
        m_strOutputText = "\n\n\n Output File created successfully at location :\n" + m_strOutputText;
        m_strDoneText = m_strOutputText;
        // Said with the video it is about, and only when there is one.
        if (!m_strSizeNote.isEmpty()) m_strDoneText += "\n\n" + m_strSizeNote;
        m_bFailed = false;
    } else {
        if (exists) Trace("CWaitDlg::ConvertWMVToX : Failed to open file");
        // Say so, why, and where the recording is, rather than show an empty panel.
        std::string reason = ConversionFailure();
        if (reason.empty()) reason = (exists ? "the output file cannot be read: " : "no output file was made: ") + output;
        m_strFailureText = FromUtf8(FailureLines(reason));
        m_strDoneText = "\n\n\n " + QString(m_strFailureText).replace("\n", "\n ");
        m_bFailed = true;
    }
    m_bDone = 1;
    update();
    return 1;
}

void CWaitDlg::CloseDialog() {
    if (m_bClosed) return;
    m_bClosed = true;
    g_hWaitDlg = 0;
    m_ctrlBusy->Stop();
    done(1);
}

void CWaitDlg::ShowConversionProgress() {
    const ConversionProgress progress = GetConversionProgress();
    // Figures of an earlier run stay out until this one reports.
    if (progress.running) m_progressLabel->setText(FromUtf8(ConversionProgressText(progress)));
}

bool CWaitDlg::WaitForConvertThread(int timeoutMs) { return !m_pConvertThread || m_pConvertThread->Wait(timeoutMs); }

void CWaitDlg::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect client = rect();
    painter.setPen(Qt::black);
    painter.setBrush(QColor(0, 0, 255));
    painter.drawRect(client.adjusted(0, 0, -1, -1));
    painter.setBrush(QColor(0, 0, 29));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.drawRoundedRect(QRectF(m_places.panel), 12.5, 12.5);
    painter.setRenderHint(QPainter::Antialiasing, false);

    painter.setPen(Qt::white);
    // Each text in its own place: the blank lines that once spaced them out are not drawn.
    const auto draw = [&painter](const QString& text, const QRect& place, int alignment) {
        const QString shown = text.trimmed();
        const FittedText fitted = FitText(shown, place, alignment);
        painter.setFont(fitted.font);
        painter.drawText(place, fitted.flags, shown);
    };
    if (m_bDone) {
        draw(m_strDoneText, m_places.done, Qt::AlignHCenter | Qt::AlignVCenter);
        return;
    }
    draw(kCompressingText, m_places.stage, Qt::AlignHCenter | Qt::AlignBottom);
    draw(m_strFormatText, m_places.format, Qt::AlignHCenter | Qt::AlignBottom);
}

void CWaitDlg::mouseMoveEvent(QMouseEvent* event) {
    if (auto* finish = dynamic_cast<CCustomeButton*>(m_btnFinish)) finish->ShowNormal();
    setFocus();
    QDialog::mouseMoveEvent(event);
}

void CWaitDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_F1: event->accept(); return;
    default: QDialog::keyPressEvent(event);
    }
}

void CWaitDlg::closeEvent(QCloseEvent* event) {
    // Only Finish, a recorder error or a failed move end the dialog.
    if (!m_bClosed) event->ignore();
}

bool CWaitDlg::GetOutPutFileName(std::string& path) { return kv::GetOutPutFileName(path); }

void CWaitDlg::PlayOutputFile() {
    if (g_bRecorderError) return;
    const std::string output = settings::OutputFileName.Get();
    if (settings::RunVideo.Get() != 0 && !output.empty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(FromUtf8(output)));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

}  // namespace kv
