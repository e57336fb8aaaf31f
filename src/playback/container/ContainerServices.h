#pragma once
// What the container window drives besides the office: the recorder's
// controls, the conversion dialog and the desktop's taskbar. The program
// uses the real ones (DefaultContainerServices); tests put in doubles to
// watch the order of the container's steps.
#include <memory>
#include <string>

namespace kv {

class RecorderControls {
public:
    virtual ~RecorderControls() = default;
    virtual void RecordOrResume() = 0;
    virtual void PauseRecording() = 0;
    virtual void StopRecording() = 0;
    virtual void ReleaseInstance() = 0;
};

class ConversionDialogs {
public:
    virtual ~ConversionDialogs() = default;
    // Runs the conversion dialog modally until the user finishes it;
    // `sizeNote` (that the video is smaller than chosen) is said with the
    // finished video, when there is one.
    virtual void RunWaitDialog(const std::string& sizeNote) = 0;
    // Opens the finished output with its associated program, when asked to.
    virtual void PlayOutputFile() = 0;
};

class Taskbar {
public:
    virtual ~Taskbar() = default;
    virtual void Show(bool show) = 0;
};

struct ContainerServices {
    std::shared_ptr<RecorderControls> recorder;
    std::shared_ptr<ConversionDialogs> conversion;
    std::shared_ptr<Taskbar> taskbar;
};

// The recorder's single instance, CWaitDlg and the dock windows.
ContainerServices DefaultContainerServices();

}  // namespace kv
