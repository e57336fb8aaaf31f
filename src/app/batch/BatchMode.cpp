#include "app/batch/BatchMode.h"

#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <mutex>

#include "app/batch/BatchOptions.h"
#include "app/batch/BatchSettings.h"
#include "app/batch/FastBatch.h"
#include "app/batch/OutputCheck.h"
#include "app/batch/RecordedDecks.h"
#include "app/batch/SoundDeviceChoice.h"
#include "app/batch/TerminalProgress.h"
#include "app/core/SettingsCatalogue.h"
#include "audio/AudioDeviceTable.h"
#include "platform/automation/uno/UnoAutomation.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Paths.h"
#include "platform/core/PrintableText.h"
#include "platform/x11/DockWindows.h"
#include "platform/x11/PrivateDisplay.h"
#include "platform/x11/ScreenGrabber.h"
#include "playback/container/PptContainerRunner.h"
#include "playback/container/WaitDialogs.h"
#include "recording/RecordingRecovery.h"
#include "recording/state/RecorderState.h"

namespace kv {
namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Every line of a message on a line of its own, each with the program's name.
void Fail(const std::string& reason) {
    size_t start = 0;
    do {
        const size_t end = reason.find('\n', start);
        const std::string line = reason.substr(start, end == std::string::npos ? std::string::npos : end - start);
        std::fprintf(stderr, "kalvista: %s\n", WithoutControls(line).c_str());
        start = end == std::string::npos ? end : end + 1;
    } while (start != std::string::npos);
}

// Nobody is there to press OK: every message goes to stderr and counts as a
// failure; notices (a video made without sound) go there too, as warnings.
class StderrMessageBoxes : public MessageBoxService {
public:
    void Show(const std::string& text) override {
        Fail(text);
        std::lock_guard lock(m_mutex);
        ++m_count;
    }
    void Notice(const std::string& text) override {
        std::fprintf(stderr, "kalvista: warning: %s\n", LinesWithoutControls(text).c_str());
    }
    void Detail(const std::string& text) override { Fail(text); }
    int Count() const {
        std::lock_guard lock(m_mutex);
        return m_count;
    }

private:
    mutable std::mutex m_mutex;
    int m_count = 0;
};

// The sound device list's position for the options; false with the reason on stderr.
bool ResolveSoundDevice(const BatchOptions& options, int& position) {
    position = 0;
    if (!options.sound) return true;
    const auto texts = AudioDeviceTable.Fill();
    std::vector<std::string> names;
    for (int i = 0; i < AudioDeviceTable.Count(); ++i) names.push_back(AudioDeviceTable.DeviceAt(i).value_or(""));
    auto chosen = ChooseSoundDevice(options.soundDevice, names, texts);
    if (chosen) {
        position = *chosen;
        return true;
    }
    std::string list;
    for (size_t i = 0; i < names.size(); ++i) list += "\n  " + std::to_string(i) + ": " + names[i] + " (" + texts[i] + ")";
    Fail(names.empty() ? "no sound capture device found; use --no-sound"
                       : "no sound capture device \"" + options.soundDevice + "\"; the devices are:" + list);
    return false;
}

// Nothing opens the finished video for a script; the user's choice comes back afterwards.
class RunVideoOff {
public:
    RunVideoOff() : m_previous(settings::RunVideo.Get()) { settings::RunVideo.Set(0); }
    ~RunVideoOff() { settings::RunVideo.Set(m_previous); }

private:
    std::uint32_t m_previous;
};

// The office starts while the settings are prepared; one the run did not
// take over is ended on every way out.
class OfficeStartedEarly {
public:
    OfficeStartedEarly() { PreloadOffice(); }
    ~OfficeStartedEarly() { EndPreloadedOffice(); }
};

// A recording cut off by a crash is rebuilt before this run's files replace it.
void RecoverEarlierRecording() {
    const auto recovery = RecoverInterruptedRecording();
    if (!recovery) return;
    if (!recovery->recovered.empty()) Fail("recovered an interrupted recording: " + PrintableText(recovery->recovered));
    else Fail(recovery->problem);
}

int Convert(const BatchOptions& options) {
    RecoverEarlierRecording();
    OfficeStartedEarly office;
    int soundDevice = 0;
    if (!ResolveSoundDevice(options, soundDevice)) return kExitFailure;

    const BatchFileNames names = MakeBatchFileNames(options, VideosFolder().string());
    StoreBatchSettings(options, names, soundDevice);
    ContainerRequest request = ReadContainerRequest();
    request.allowLinkedContent = options.allowLinkedContent;

    auto messages = std::make_shared<StderrMessageBoxes>();
    SetMessageBoxService(messages);
    RunVideoOff runVideoOff;
    RegisterUnoAutomation();
    ContainerServices services = DefaultContainerServices();
    services.conversion = MakeWaitDialogs(true);
    {
        const TerminalProgressLine progressLine(STDERR_FILENO);
        PptContainerRunner(services).RunContainer(request);
    }
    ShowDockWindows();

    const std::string output = settings::OutputFileName.Get();
    const OutputCheck check = CheckOutputFile(output);
    if (messages->Count() > 0 || g_bRecorderError) {
        if (check.complete) Fail("the video may be incomplete: " + output);
        return kExitFailure;
    }
    if (!check.complete) {
        Fail(check.problem);
        return kExitFailure;
    }
    std::printf("Video: %s (%.1f s)\n", PrintableText(output).c_str(), check.seconds);
    return 0;
}

}  // namespace

bool WantsBatchMode(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--convert") return true;
    return false;
}

int RunBatchMode(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const BatchParse parse = ParseBatchOptions(args);
    if (parse.help) {
        std::fputs(kBatchUsage, stdout);
        return 0;
    }
    if (!parse.options) {
        Fail(parse.error);
        std::fputs("Try: kalvista --convert --help\n", stderr);
        return kExitUsage;
    }
    // Offices follow what the decks link to only when the user trusts them.
    AllowLinkedContent(parse.options->allowLinkedContent);
    // Without a display the run gets one of its own, with room for the
    // capture size plus the toolbar, so the video is the size asked.
    PrivateDisplay privateDisplay;
    if (!DisplayAvailable()) {
        std::string problem;
        const PrivateScreen screen = PrivateScreenSize(parse.options->width, parse.options->height);
        if (!privateDisplay.Start(screen.width, screen.height, problem)) {
            Fail(problem);
            return kExitFailure;
        }
    }
    if (parse.options->fast) return ConvertFast(*parse.options);
    if (parse.options->Several()) return ConvertRecordedDecks(args, *parse.options);
    QApplication application(argc, argv);
    return Convert(*parse.options);
}

}  // namespace kv
