#pragma once
// One QApplication per test program, on the platform the program picks, and
// the doubles the wizard talks to.
#include <QApplication>
#include <algorithm>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/core/ContainerRunner.h"
#include "app/wizard/WizardShell.h"
#include "app/wizard/WizardSources.h"
#include "platform/core/MessageBox.h"

namespace kvtest {

// Creates the application on first use, on `platform` (each test program
// picks its own: the logic runs offscreen, the screenshots on X).
QApplication& TestApp(const char* platform = "offscreen");

// Runs queued events for a moment.
void ProcessEvents();

// What the X server shows in `area` of the screen.
QImage ScreenAround(const QRect& area);

// docs/screenshots of the source tree, where the pictures of the README go.
std::filesystem::path ScreenshotFolder();

// Installs a RecordingMessageBox while it lives.
class ScopedMessageBoxes {
public:
    ScopedMessageBoxes();
    ~ScopedMessageBoxes();
    std::vector<std::string> Texts() const { return m_boxes->Texts(); }

private:
    std::shared_ptr<kv::RecordingMessageBox> m_boxes;
};

// Answers the pickers from a script; every question is counted.
class ScriptedShell : public kv::WizardShell {
public:
    std::deque<std::optional<std::string>> presentations;
    std::deque<std::optional<std::string>> folders;
    int presentationQuestions = 0;
    int folderQuestions = 0;
    std::vector<std::string> startFolders;  // where each presentation picker opened
    std::vector<std::string> openedPages;
    std::string helpProblem;  // why the help page does not open; empty: it opens

    std::optional<std::string> ChoosePresentation(QWidget*, const std::string& startFolder) override;
    std::optional<std::string> ChooseOutputFolder(QWidget*, const std::string&) override;
    std::string OpenHelpPage(const std::string& path) override;
};

class FakeSources : public kv::WizardSources {
public:
    std::vector<kv::CaptureDeviceEntry> devices{{"default", "Default sound input", "ALSA device: default"},
                                                {"plughw:CARD=PCH,DEV=0", "Built-in Microphone", "Built-in Microphone"}};
    std::vector<Compressor> compressors{
        {{"MJPG", "Motion JPEG"}, true},
        {{"FMP4", "MPEG-4 part 2"}, true},
        {{"I420", "Raw I420"}, true},
        {{"H264", "H.264 high profile"}, false},
        {{"XVID", "Xvid"}, true},
    };
    std::vector<kv::CaptureDeviceEntry> table;

    std::vector<kv::CaptureDeviceEntry> CaptureDevices() override { return devices; }
    void SetAudioDeviceTable(const std::vector<kv::CaptureDeviceEntry>& entries) override { table = entries; }
    std::vector<Compressor> VideoCompressors(int, int) override { return compressors; }
    std::string frameFileName = "IDB_DIALOG_FRAME.bmp";
    std::string FrameFileName() const override { return frameFileName; }
};

class RecordingContainer : public kv::ContainerRunner {
public:
    std::vector<kv::ContainerRequest> requests;
    std::function<void()> whileRunning;  // called while the container would run
    int outcome = kv::kRecordingMade;    // what the run answers
    // The room the screen has for a capture; unlimited unless set.
    kv::CaptureSize room{100000, 100000};
    int RunContainer(const kv::ContainerRequest& request) override {
        requests.push_back(request);
        if (whileRunning) whileRunning();
        return outcome;
    }
    kv::CaptureSize FittedCaptureSize(kv::CaptureSize asked) override {
        return {std::min(asked.width, room.width), std::min(asked.height, room.height)};
    }
};

}  // namespace kvtest
