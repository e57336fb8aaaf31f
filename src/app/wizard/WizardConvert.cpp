// Convert: check the choices, store every setting, build the file names and
// run the container; the wizard closes when the container returns.
#include "app/core/SettingsCatalogue.h"
#include "app/wizard/OutputNames.h"
#include "app/wizard/PresentationCheck.h"
#include "app/wizard/RecordingRoom.h"
#include "app/wizard/TransparentDialogDlg.h"
#include "app/wizard/WizardLayout.h"
#include "app/wizard/WizardMessages.h"
#include "platform/core/MessageBox.h"
#include "recording/CaptureArea.h"

namespace kv {
using namespace wizard;

bool CTransparentDialogDlg::OnConvert() {
    // The recording opens the device itself.
    StopSoundCheck();
    if (!CheckInput() || !CheckFastRender()) return false;
    StoreInputAndSound();
    if (!CheckCaptureSize() || !CheckRoom()) return false;
    StoreSettings();
    TellReducedSize();
    if (RunContainer() == kNothingRecorded) {
        // Nothing was recorded (the show did not start, or ended before
        // Play): every choice stays, to change and convert again.
        ShowPage(m_state.currentPage ? m_state.currentPage : IDC_TAB_IO);
        return false;
    }
    accept();
    m_bClosed = true;
    return true;
}

// The files are checked before anything is stored: a refused Convert leaves
// the settings as they were and the wizard open.
bool CTransparentDialogDlg::CheckInput() {
    std::string problem = PresentationProblem(m_state.presentationPath, PresentationSource::Chosen);
    if (problem.empty()) problem = OutputFolderProblem(FolderOf(m_state.aviPath));
    if (!problem.empty()) {
        ShowMessageBox(problem);
        m_controls->Button(IDC_TAB_IO)->ShowHighlighted();
        OnSkinHover(IDC_TAB_IO);
        return false;
    }
    return true;
}

// A recording needs room on disk; told now rather than after Play. A
// rendered video is small and needs no recording.
bool CTransparentDialogDlg::CheckRoom() {
    if (m_capturePage->RenderFast()) return true;
    RecordingPlan plan;
    plan.presentation = m_state.presentationPath;
    plan.outputFolder = FolderOf(m_state.aviPath);
    const Size size = RecordedSize();
    plan.width = size.width;
    plan.height = size.height;
    plan.framesPerSecond = m_avPage->FrameRate();
    plan.sound = m_state.recordSound && m_avPage->DeviceIndex() >= 0;
    plan.audioProperties = m_avPage->Audio().properties;
    plan.captureMode = m_capturePage->CaptureMode();
    plan.secondsPerSlide = m_capturePage->SlideTimeIndex() + 1;
    const std::string problem = RecordingRoomProblem(plan);
    if (problem.empty()) return true;
    ShowMessageBox(problem + ".\nChoose an output folder on a disk with more room, or free some space.");
    OnSkinHover(IDC_TAB_IO);
    return false;
}

wizard::Size CTransparentDialogDlg::RecordedSize() const {
    const Size asked = m_avPage->CaptureSize();
    return m_capturePage->RenderFast() ? asked : RecordableSize(asked);
}

// A size the screen cannot record beside the recording window's toolbar is
// said before the show opens, with the size the video will have.
void CTransparentDialogDlg::TellReducedSize() {
    const Size asked = m_avPage->CaptureSize();
    const Size made = RecordedSize();
    const ScreenRect roundedAsked = RoundCaptureSize({0, 0, asked.width, asked.height});
    if (roundedAsked.width == made.width && roundedAsked.height == made.height) return;
    ShowNotice(CaptureSizeNote(asked.width, asked.height, made.width, made.height, true));
}

// Rendering draws each slide for a known time; slides the presenter moves on
// have none. Refused before anything is stored.
bool CTransparentDialogDlg::CheckFastRender() {
    if (!m_capturePage->RenderFast() || !m_state.manualAdvance) return true;
    ShowMessageBox(kFastRenderNeedsAutomaticAdvance);
    OnSkinHover(IDC_TAB_CONVERTER);
    return false;
}

// A size too small is refused after the files and the sound were stored; the
// picture settings stay as they were.
bool CTransparentDialogDlg::CheckCaptureSize() {
    const Size size = m_avPage->CaptureSize();
    if (size.width < 100 || size.height < 96) {
        ShowMessageBox(kMinimumResolution);
        m_controls->Edit(IDC_CUSTOM_WIDTH)->setFocus();
        return false;
    }
    return true;
}

void CTransparentDialogDlg::StoreInputAndSound() {
    settings::PowerPointFileName.Set(m_state.presentationPath);
    settings::AVIVideoFileName.Set(m_state.aviPath);

    const AudioValues audio = m_avPage->Audio();
    // Without a device nothing is recorded, and the device index stays valid.
    const int device = m_avPage->DeviceIndex();
    settings::CaptureSound.Set(m_state.recordSound && device >= 0 ? 1 : 0);
    settings::SoundDevice.Set(device >= 0 ? static_cast<std::uint32_t>(device) : 0);
    settings::AudioProperties.Set(audio.properties);
    settings::BitRate.Set(audio.bitRate);
    settings::AudioChannels.Set(audio.channels);
}

void CTransparentDialogDlg::StoreSettings() {
    settings::OutputFormat.Set(m_avPage->FormatText());
    std::string outputName = FolderOf(settings::AVIVideoFileName.Get());
    m_avPage->GetOutPutFileName(m_state.aviPath, outputName);
    settings::OutputFileName.Set(outputName);

    settings::FrameRate.Set(static_cast<std::uint32_t>(m_avPage->FrameRate()));
    // An empty codec list stores the empty text; the recording then takes the
    // default encoder.
    settings::VideoCompression.Set(m_avPage->FormatIndex() == kFormatAVI
                                       ? m_avPage->CodecText()
                                       : std::string(settings::VideoCompression.defaultValue));
    const Size size = m_avPage->CaptureSize();
    const int resolution = m_avPage->ResolutionIndex();
    settings::Resolution.Set(resolution >= 0 ? static_cast<std::uint32_t>(resolution) : 0);
    settings::ResolutionWidth.Set(static_cast<std::uint32_t>(size.width));
    settings::ResolutionHeight.Set(static_cast<std::uint32_t>(size.height));
    settings::NotesSubtitles.Set(m_avPage->NotesAsSubtitles() ? 1 : 0);

    settings::SlideShowCaptureMode.Set(static_cast<std::uint32_t>(m_capturePage->CaptureMode()));
    const int slideTime = m_capturePage->SlideTimeIndex();
    settings::TimeinSec.Set(slideTime >= 0 ? static_cast<std::uint32_t>(slideTime) : 0);
    settings::MouseCapture.Set(m_state.mousePointer ? 1 : 0);
    settings::FastRender.Set(m_capturePage->RenderFast() ? 1 : 0);
    settings::AllowLinkedContent.Set(m_capturePage->FetchLinkedContent() ? 1 : 0);
}

int CTransparentDialogDlg::RunContainer() {
    ContainerRequest request;
    request.presentationPath = settings::PowerPointFileName.Get();
    request.captureMode = static_cast<int>(settings::SlideShowCaptureMode.Get());
    request.secondsPerSlide = static_cast<int>(settings::TimeinSec.Get()) + 1;
    request.height = static_cast<int>(settings::ResolutionHeight.Get());
    request.width = static_cast<int>(settings::ResolutionWidth.Get());
    request.startRecordingAtOnce = false;
    request.renderFast = settings::FastRender.Get() != 0;
    request.allowLinkedContent = settings::AllowLinkedContent.Get() != 0;
    return m_containerRunner.RunContainer(request);
}

}  // namespace kv
