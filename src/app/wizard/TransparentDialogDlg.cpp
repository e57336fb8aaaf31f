#include "app/wizard/TransparentDialogDlg.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "app/wizard/FrameShape.h"
#include "app/wizard/OutputNames.h"
#include "app/wizard/WizardLayout.h"
#include "app/wizard/WizardMessages.h"
#include "app/wizard/WizardShell.h"
#include "app/wizard/WizardSources.h"
#include "controls/SkinBitmaps.h"
#include "controls/SkinNotify.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"
#include "platform/ui/QtMessageThread.h"
#include "platform/ui/WindowPlace.h"
#include "recording/CaptureArea.h"

namespace kv {
using namespace wizard;

namespace {

constexpr const char* kHelpPageName = "Welcome.htm";
constexpr int kTabs[] = {IDC_TAB_IO, IDC_TAB_AUDIO, IDC_TAB_VIDEO, IDC_TAB_CONVERTER};

// The ids that light up each row when hovered: icon, label, then the combos'
// notification ids.
const std::vector<int> kRowHoverIds[4] = {
    {1058, 1096, 1201}, {1059, 1097, 1203, 1206}, {1060, 1098, 1202, 1205, 1207}, {1061, 1099, 1204, 1208}};

Size ScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? Size{screen->size().width(), screen->size().height()} : Size{1024, 768};
}

// How long after the window is shown its place is checked with the X server.
constexpr int kPlaceCheckMs = 100;

}  // namespace

CTransparentDialogDlg::CTransparentDialogDlg(ContainerRunner& containerRunner, WizardShell& shell,
                                             WizardSources& sources, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_containerRunner(containerRunner),
      m_shell(shell),
      m_sources(sources) {
    setWindowTitle("Kalvista");
    setMouseTracking(true);
    // The wizard's own end ends the program. The show's window closes while
    // the wizard is hidden, as the only window: that must not end it, as the
    // wizard comes back when nothing was recorded.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    resize(DluToPixelsX(kDialogSize.width), DluToPixelsY(kDialogSize.height));
    m_hWnd = CreateWindowHandle(this, &QtMessageThread::Main(), "KalvistaWizard", "Kalvista");
    SetSkinParentWindow(this, m_hWnd);

    m_controls = std::make_unique<WizardControls>(this);
    m_ioPage = std::make_unique<CIOSettings>(*m_controls, m_state, m_shell, this);
    const Size screen = ScreenSize();
    m_avPage = std::make_unique<CAVSettingPage>(*m_controls, m_state, sources, screen, RecordableSize(screen));
    m_capturePage = std::make_unique<CCaptureModePage>(*m_controls, m_state);
    SetUpButtons();
    OnInitDialog();
}

Size CTransparentDialogDlg::RecordableSize(Size asked) const {
    const kv::CaptureSize fitted = m_containerRunner.FittedCaptureSize({asked.width, asked.height});
    // As the recorder rounds it, so the size named is the video's own.
    const ScreenRect rounded = RoundCaptureSize({0, 0, fitted.width, fitted.height});
    return {rounded.width, rounded.height};
}

CTransparentDialogDlg::~CTransparentDialogDlg() {
    m_soundCheck.Stop();
    DestroyWindowHandle(m_hWnd);
}

void CTransparentDialogDlg::SetUpButtons() {
    const int tabBitmaps[4][2] = {{196, 195}, {198, 197}, {200, 199}, {202, 201}};
    for (int i = 0; i < 4; ++i) m_controls->Button(kTabs[i])->SetBitmaps(tabBitmaps[i][0], tabBitmaps[i][1], tabBitmaps[i][1]);
    const int startLabels[4] = {303, 304, 305, 232};
    for (int row = 0; row < 4; ++row) m_controls->SetRow(row, {219, 219, startLabels[row], startLabels[row]});
    m_controls->Button(IDC_CLOSE)->SetBitmaps(288, 287, 287);
    m_controls->Button(IDC_HELP)->SetBitmaps(313, 312, 312);
    m_controls->Button(IDC_MINIMISE)->SetBitmaps(315, 314, 314);
    m_controls->Button(IDC_CONVERT)->SetBitmaps(307, 306, 306);
    m_controls->Button(IDC_CONVERT)->setToolTip("Convert");
    m_controls->Button(IDC_CLOSE)->setToolTip("Close");
    m_controls->Button(IDC_HELP)->setToolTip("Help");

    // The keyboard's presses arrive as commands.
    for (int id : {1058, 1059, 1096, 1097, IDC_CONVERT, IDC_CLOSE, IDC_HELP}) {
        connect(m_controls->Button(id), &QAbstractButton::clicked, this, [this, id] { OnCommand(id); });
    }
    for (int id : {IDC_OUTPUT_FORMAT, IDC_RESOLUTION, IDC_AUDIO_QUALITY, IDC_AUDIO_DEVICE}) {
        connect(m_controls->Combo(id), &QComboBox::activated, this, [this, id] { OnSelChange(id); });
    }
    // A click on a path field asks for its picker, as its row does.
    connect(m_controls->PathEdit(IDC_PRESENTATION), &CPathEdit::Clicked, this, [this] { OnRowClick(0); });
    connect(m_controls->PathEdit(IDC_OUTPUT_FOLDER), &CPathEdit::Clicked, this, [this] { OnRowClick(1); });
    for (int id : {IDC_ADVANCE_AUTOMATIC, IDC_ADVANCE_MANUAL}) {
        connect(m_controls->Radio(id), &QRadioButton::clicked, this,
                [this, id] { m_capturePage->ChooseAdvanceMode(id == IDC_ADVANCE_MANUAL); });
    }
    connect(&m_soundCheckTimer, &QTimer::timeout, this, [this] { ShowSoundCheck(); });
}

void CTransparentDialogDlg::OnInitDialog() {
    m_controls->Button(IDC_BANNER)->hide();
    setWindowIcon(QIcon(LoadSkinBitmap(128)));
    for (int id : {IDC_PRESENTATION, IDC_OUTPUT_FOLDER, IDC_AUDIO_DEVICE, IDC_AUDIO_CHANNELS, IDC_SLIDE_TIME,
                   IDC_AUDIO_QUALITY})
        m_controls->Control(id)->hide();
    m_avPage->EnumerateAudioDevicesT();
    m_avPage->LoadAudioSettingsT();
    m_avPage->CheckSoundDeviceT();

    m_avPage->FillFormatList();
    m_avPage->FillCodecList();
    m_avPage->LoadFormatAndCodec();
    m_avPage->OnFormatChange();
    m_capturePage->Load();
    // The video's folder: the intermediate file's setting names the recording's temporary copy once saved.
    m_ioPage->OfferLastChoice(settings::PowerPointFileName.Get(), FolderOf(settings::OutputFileName.Get()));

    for (int id : {IDC_OUTPUT_FORMAT, IDC_VIDEO_CODEC, IDC_FRAME_RATE, IDC_RESOLUTION, IDC_CUSTOM_WIDTH,
                   IDC_CUSTOM_HEIGHT, IDC_NOTES_SUBTITLES, IDC_SOUND_LEVEL, IDC_SOUND_SILENT,
                   IDC_FAST_RENDER, IDC_LINKED_CONTENT, IDC_ADVANCE_AUTOMATIC, IDC_ADVANCE_MANUAL})
        m_controls->Control(id)->hide();
    m_controls->SetRow(3, kEmptyRow);
    m_controls->Button(IDC_MINIMISE)->hide();

    for (int tab : kTabs) m_controls->Button(tab)->ShowHighlighted();
    m_controls->Button(IDC_CONVERT)->hide();
}

int CTransparentDialogDlg::Run() {
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    show();
    loop.exec(QEventLoop::DialogExec);
    return result();
}

// ---- frame ----

void CTransparentDialogDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    OnSize();
}

void CTransparentDialogDlg::OnSize() {
    Trace("void CTransparentDialogDlg::OnSize(UINT nType, int cx, int cy) ");
    if (m_frame.isNull()) {
        m_frame = LoadSkinFile(QString::fromStdString(m_sources.FrameFileName())).toImage();
        if (m_frame.isNull()) {
            ShowMessageBox(kErrorLoadingBitmap);
            return;
        }
        m_shape = RegionFromFrame(m_frame);
    }
    setMask(m_shape);
    const Size screen = ScreenSize();
    move(screen.width / 2 - m_frame.width() / 2, screen.height / 2 - m_frame.height() / 2);
    if (size() != m_frame.size()) resize(m_frame.size());
}

void CTransparentDialogDlg::paintEvent(QPaintEvent*) {
    if (m_frame.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, m_frame);
}

void CTransparentDialogDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QDialog::mousePressEvent(event);
    // The background moves the window, as a caption would.
    if (windowHandle() && windowHandle()->startSystemMove()) return;
    m_bDragging = true;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
}

void CTransparentDialogDlg::mouseMoveEvent(QMouseEvent* event) {
    if (m_bDragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        return;
    }
    for (int id : {IDC_CLOSE, IDC_HELP, IDC_MINIMISE, IDC_CONVERT}) m_controls->Button(id)->ShowNormal();
    setFocus();
}

void CTransparentDialogDlg::mouseReleaseEvent(QMouseEvent* event) {
    m_bDragging = false;
    QDialog::mouseReleaseEvent(event);
}

void CTransparentDialogDlg::keyPressEvent(QKeyEvent* event) {
    // Enter closes the wizard like Close; Escape cancels it.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CTransparentDialogDlg::closeEvent(QCloseEvent* event) {
    m_bClosed = true;
    QDialog::closeEvent(event);
}

void CTransparentDialogDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Once framed, the window's place as the X server has it, for what opens relative to it.
    QTimer::singleShot(kPlaceCheckMs, this, [this] { SyncWindowPosition(this); });
}

void CTransparentDialogDlg::hideEvent(QHideEvent* event) {
    StopSoundCheck();
    QDialog::hideEvent(event);
}

// ---- messages ----

LRESULT CTransparentDialogDlg::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_SKIN_HOVER) return OnSkinHover(static_cast<int>(wParam));
    if (message == WM_SKIN_CLICK) return OnSkinClick(static_cast<int>(wParam));
    return 0;
}

LRESULT CTransparentDialogDlg::OnSkinHover(int id) {
    if (std::find(std::begin(kTabs), std::end(kTabs), id) != std::end(kTabs)) {
        ShowPage(id);
    } else {
        for (int row = 0; row < 4; ++row) {
            const auto& ids = kRowHoverIds[row];
            if (std::find(ids.begin(), ids.end(), id) != ids.end()) HighlightRow(row);
        }
    }
    m_controls->Button(IDC_BANNER)->show();
    m_controls->Button(IDC_BANNER)->ShowHighlighted();
    return 0;
}

PageView CTransparentDialogDlg::ViewOf(int pageId) const {
    switch (pageId) {
    case IDC_TAB_IO: return m_ioPage->View();
    case IDC_TAB_AUDIO: return m_avPage->AudioView();
    case IDC_TAB_VIDEO: return m_avPage->VideoView();
    default: return m_capturePage->View();
    }
}

void CTransparentDialogDlg::ShowPage(int pageId) {
    const PageView view = ViewOf(pageId);
    m_controls->Button(IDC_BANNER)->SetBitmaps(view.banner, view.banner, view.banner);
    for (int row = 0; row < 4; ++row) m_controls->SetRow(row, view.rows[row]);
    m_controls->ShowOnly(view.valueControls);
    m_controls->Button(IDC_CONVERT)->show();
    for (int tab : kTabs) {
        if (tab == pageId)
            m_controls->Button(tab)->ShowHighlighted();
        else
            m_controls->Button(tab)->ShowNormal();
    }
    m_state.currentPage = pageId;
    if (pageId == IDC_TAB_AUDIO)
        StartSoundCheck();
    else
        StopSoundCheck();
}

void CTransparentDialogDlg::HighlightRow(int row) {
    for (int other = 0; other < 4; ++other) {
        if (other == row)
            m_controls->HighlightRow(other);
        else
            m_controls->NormalRow(other);
    }
}

LRESULT CTransparentDialogDlg::OnSkinClick(int id) {
    if (id == IDC_CONVERT) {
        hide();
        if (!OnConvert() && !m_bClosed) show();
        return 1;
    }
    OnCommand(id);
    if (id == IDC_ROW_LABEL[0]) Trace("MouseMoveOnCombo   IDC_BTN_TEXT1");
    return 1;
}

void CTransparentDialogDlg::OnCommand(int id) {
    switch (id) {
    case 1058:
    case 1096: OnRowClick(0); break;
    case 1059:
    case 1097: OnRowClick(1); break;
    case IDC_CONVERT: OnConvert(); break;
    case IDC_CLOSE:
    case IDOK: accept(); break;
    case IDC_HELP: OnHelp(); break;
    default: break;
    }
}

void CTransparentDialogDlg::OnRowClick(int row) {
    switch (m_state.currentPage) {
    case IDC_TAB_IO:
        if (row == 0) m_ioPage->ChoosePresentation();
        else m_ioPage->OnBnClickedBrowsePath();
        break;
    case IDC_TAB_AUDIO:
        if (row == 0) m_avPage->ToggleRecordSound();
        break;
    case IDC_TAB_CONVERTER:
        if (row == 0) m_capturePage->ToggleMousePointer();
        else m_capturePage->ToggleAdvanceMode();
        break;
    default: break;
    }
}

void CTransparentDialogDlg::OnSelChange(int comboId) {
    switch (comboId) {
    case IDC_OUTPUT_FORMAT: m_avPage->OnFormatChange(); break;
    case IDC_RESOLUTION: m_avPage->UpdateCustomSize(); break;
    case IDC_AUDIO_QUALITY: m_avPage->OnQualityChange(); break;
    case IDC_AUDIO_DEVICE:
        if (m_state.currentPage == IDC_TAB_AUDIO) StartSoundCheck();
        break;
    default: break;
    }
}

void CTransparentDialogDlg::OnHelp() {
    const auto page = FindSkinFile(kHelpPageName);
    if (page.empty()) {
        ShowMessageBox(HelpNotOpened(kHelpPageName, "the page is not installed beside the program"));
        return;
    }
    if (const std::string why = m_shell.OpenHelpPage(page.string()); !why.empty())
        ShowMessageBox(HelpNotOpened(page.string(), why));
}

}  // namespace kv
