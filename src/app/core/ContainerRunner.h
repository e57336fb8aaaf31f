#pragma once
// What the wizard hands to the container window when the user presses
// Convert: the container plays and records the presentation and returns when
// the conversion is over. The playback layer provides the real one; tests
// use a double.
#include <memory>
#include <string>

namespace kv {

struct ContainerRequest {
    std::string presentationPath;
    int captureMode = 2;     // 1 own timings, 2 every `secondsPerSlide`, 3 presenter
    int secondsPerSlide = 1;
    int width = 0;
    int height = 0;
    bool startRecordingAtOnce = false;  // the batch mode presses Play at once
    // The office draws the slides and the video is made from those pictures:
    // no show is played or recorded (modes 1 and 2 only).
    bool renderFast = false;
    // The user trusts the presentation: what it links to is fetched.
    bool allowLinkedContent = false;
};

// What came of a run: a video was made (or its making failed after the
// recording), or nothing was recorded (the show did not start, or ended
// before Play, or the recording was refused before it began).
inline constexpr int kNothingRecorded = 0;
inline constexpr int kRecordingMade = 1;

struct CaptureSize {
    int width = 0;
    int height = 0;
    bool operator==(const CaptureSize&) const = default;
};

class ContainerRunner {
public:
    virtual ~ContainerRunner() = default;
    // Runs the container modally: kRecordingMade or kNothingRecorded.
    virtual int RunContainer(const ContainerRequest& request) = 0;
    // The capture size a recording asked at `asked` gets on this screen,
    // where the container's window with its toolbar and frame must fit.
    virtual CaptureSize FittedCaptureSize(CaptureSize asked) { return asked; }
};

// The program's runner (CPptContainerDlg run modally); the container library
// defines it, and main() hands it to the wizard.
std::unique_ptr<ContainerRunner> CreateContainerRunner();

}  // namespace kv
