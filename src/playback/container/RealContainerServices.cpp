// The container's real partners: the recorder's single instance, the
// conversion dialog and the desktop's dock windows.
#include "platform/x11/DockWindows.h"
#include "playback/container/ContainerServices.h"
#include "playback/container/WaitDialogs.h"
#include "recording/Recorder.h"

namespace kv {
namespace {

class SingleRecorder : public RecorderControls {
public:
    void RecordOrResume() override { Call(&CRecorder::RecordOrResume); }
    void PauseRecording() override { Call(&CRecorder::PauseRecording); }
    void StopRecording() override { Call(&CRecorder::StopRecording); }
    void ReleaseInstance() override { CRecorder::ReleaseInstance(); }

private:
    static void Call(void (CRecorder::*control)()) {
        if (CRecorder* recorder = CRecorder::GetInstance()) (recorder->*control)();
    }
};

class DockTaskbar : public Taskbar {
public:
    void Show(bool show) override {
        if (show) ShowDockWindows();
        else HideDockWindows();
    }
};

}  // namespace

ContainerServices DefaultContainerServices() {
    return {std::make_shared<SingleRecorder>(), MakeWaitDialogs(), std::make_shared<DockTaskbar>()};
}

}  // namespace kv
