#include "playback/container/RecordingNotices.h"

#include <cctype>

#include "audio/WaveIn.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"
#include "recording/state/RecorderState.h"
#include "recording/state/RecordingReport.h"

namespace kv {

const char* const kShowEndedEarlyText =
    "The slide show ended early: the presentation program closed unexpectedly. "
    "The video holds the show up to that point.";

bool OfficeWentAway(HRESULT automationResult) {
    return automationResult == RPC_E_DISCONNECTED || automationResult == RPC_E_TIMEOUT;
}

void TellHowTheRecordingWent(bool officeLost) {
    if (officeLost) {
        Trace("CPptContainerDlg : the office went away during the show\n");
        ShowMessageBox(kShowEndedEarlyText);
    }
    const RecordingReport report = GetRecordingReport();
    if (!report.failure.empty()) ShowMessageBox(report.failure);
    if (!report.notice.empty()) ShowNotice(report.notice);
    if (g_iRecordAudio != AUDIO_SOURCE_MIC) return;
    std::string sound = GetAudioCaptureProblem();
    if (sound.empty()) return;
    sound[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(sound[0])));
    ShowNotice(sound + ".");
}

}  // namespace kv
