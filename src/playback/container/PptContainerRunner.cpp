#include "playback/container/PptContainerRunner.h"

#include "platform/automation/uno/UnoAutomation.h"
#include "playback/container/PptContainerDlg.h"

namespace kv {

PptContainerRunner::~PptContainerRunner() { EndPreloadedOffice(); }

int PptContainerRunner::RunContainer(const ContainerRequest& request) {
    RegisterContainerClass();
    AllowLinkedContent(request.allowLinkedContent);
    CPptContainerDlg dialog(request.presentationPath, request.captureMode,
                            static_cast<float>(request.secondsPerSlide), request.width, request.height,
                            request.startRecordingAtOnce, m_custom ? m_services : DefaultContainerServices());
    return dialog.exec();
}

}  // namespace kv
