#include "playback/container/RecordingNotices.h"

#include <cctype>
#include <filesystem>

#include "app/core/SettingsCatalogue.h"
#include "audio/WaveIn.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"
#include "recording/CaptureArea.h"
#include "recording/state/RecorderState.h"
#include "recording/state/RecordingReport.h"

namespace kv {

const char* const kShowEndedEarlyText =
    "The slide show ended early: the presentation program closed unexpectedly. "
    "The video holds the show up to that point.";

const char* const kSilentInputText =
    "The sound input is silent: the first seconds of the recording held no sound at all. "
    "Check the device and its volume.";

bool OfficeWentAway(HRESULT automationResult) {
    return automationResult == RPC_E_DISCONNECTED || automationResult == RPC_E_TIMEOUT;
}

std::string ShrunkSizeText(int askedWidth, int askedHeight, int width, int height) {
    const ScreenRect asked = RoundCaptureSize({0, 0, askedWidth, askedHeight});
    const ScreenRect made = RoundCaptureSize({0, 0, width, height});
    if (asked.width == made.width && asked.height == made.height) return {};
    // The size as the user chose it, not as the recorder rounds it.
    return CaptureSizeNote(askedWidth, askedHeight, made.width, made.height, false);
}

void TellHowTheRecordingWent(bool officeLost, const std::string& shrunkSize) {
    if (officeLost) {
        Trace("CPptContainerDlg : the office went away during the show\n");
        ShowMessageBox(kShowEndedEarlyText);
    }
    std::error_code error;
    const std::string video = settings::OutputFileName.Get();
    if (!shrunkSize.empty() && !video.empty() && std::filesystem::exists(video, error)) ShowNotice(shrunkSize);
    const RecordingReport report = GetRecordingReport();
    if (!report.failure.empty()) ShowMessageBox(report.failure);
    if (!report.notice.empty()) ShowNotice(report.notice);
    if (g_iRecordAudio != AUDIO_SOURCE_MIC) return;
    std::string sound = GetAudioCaptureProblem();
    if (sound.empty() && AudioInputWasSilent()) {
        ShowNotice(kSilentInputText);
        return;
    }
    if (sound.empty()) return;
    sound[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(sound[0])));
    ShowNotice(sound + ".");
}

}  // namespace kv
