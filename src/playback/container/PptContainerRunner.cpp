#include "playback/container/PptContainerRunner.h"

#include "platform/automation/uno/UnoAutomation.h"
#include "playback/container/ContainerArtwork.h"
#include "playback/container/ContainerFit.h"
#include "playback/container/PptContainerDlg.h"
#include "recording/state/RecorderState.h"
#include "recording/state/RecordingReport.h"

namespace kv {
namespace {

void ClearRunState() {
    g_bSlideShowEnded = false;
    g_bRecorderThreadEnded = 0;
    g_bRecorderError = false;
    g_hSlideShowWnd = 0;
    g_hPositionedEvent.store(nullptr);
    ClearRecordingReport();
}

}  // namespace

PptContainerRunner::~PptContainerRunner() { EndPreloadedOffice(); }

int PptContainerRunner::RunContainer(const ContainerRequest& request) {
    RegisterContainerClass();
    // A show after one that recorded nothing starts afresh.
    ClearRunState();
    AllowLinkedContent(request.allowLinkedContent);
    CPptContainerDlg dialog(request.presentationPath, request.captureMode,
                            static_cast<float>(request.secondsPerSlide), request.width, request.height,
                            request.startRecordingAtOnce, m_custom ? m_services : DefaultContainerServices());
    dialog.exec();
    return dialog.MadeRecording() ? kRecordingMade : kNothingRecorded;
}

CaptureSize PptContainerRunner::FittedCaptureSize(CaptureSize asked) {
    const ContainerFit fit = FitSlideArea(QSize(asked.width, asked.height), PrimaryWorkArea(),
                                          ExpectedContainerFrame(), kToolbarButtonHeight);
    return {fit.slideArea.width(), fit.slideArea.height()};
}

}  // namespace kv
