#pragma once
// What a recording needs around the recorder, for real: a private X server,
// a window showing the time where the slide show would be, a container and a
// conversion dialog that answer the recorder's messages on this thread (the
// UI thread), and a settings file of the test's own.
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Messages.h"
#include "recording/Recorder.h"
#include "support/PatternWindow.h"
#include "support/TempDir.h"

namespace kvtest {

// Receives messages on the caller's loop and notes them.
class NotingWindow : public kv::MessageReceiver {
public:
    NotingWindow(kv::MessageThread* thread, const std::string& className);
    ~NotingWindow() override;
    kv::LRESULT OnMessage(kv::UINT message, kv::WPARAM wParam, kv::LPARAM lParam) override;

    kv::HWND handle() const { return m_handle; }
    int Count(kv::UINT message) const;
    std::vector<int> ErrorCodes() const { return m_errors; }

private:
    kv::HWND m_handle = 0;
    std::vector<kv::UINT> m_messages;
    std::vector<int> m_errors;
};

class RecordingRig {
public:
    static constexpr int kLeft = 200, kTop = 120, kWidth = 640, kHeight = 406;  // 360 after the toolbar strip

    // With a window of its own showing the time, or around `window` (an X11
    // window drawn by someone else) when it is not 0.
    // Records `window`, or a pattern window of its own that shows a new
    // picture every `stepMs`.
    explicit RecordingRig(unsigned long window = 0, int stepMs = 10);
    ~RecordingRig();

    PatternWindow& window() { return *m_window; }  // only with a window of its own
    kv::CallerLoop& loop() { return m_loop; }
    NotingWindow& container() { return *m_container; }
    NotingWindow& waitDialog() { return *m_waitDialog; }
    const TempDir& folder() const { return m_folder; }

    // The container says the slide show is in place.
    void SignalPositioned();
    // Presses Record (UI thread) and lets the loop run for `ms`.
    void Record();
    void RunFor(int ms);
    // Presses Stop and runs the loop until the thread has ended; false on time-out.
    bool StopAndWait(int timeoutMs = 30000);
    bool WaitForThreadEnd(int timeoutMs);
    // The saved recording named by the settings after the thread ended.
    std::string SavedVideo() const;

private:
    TempDir m_folder;
    ScopedRegistry m_registry;
    kv::CallerLoop m_loop;
    std::optional<PatternWindow> m_window;
    std::unique_ptr<NotingWindow> m_container;
    std::unique_ptr<NotingWindow> m_waitDialog;
};

// Resets the recorder-wide flags between recordings.
void ResetRecorderState();

}  // namespace kvtest
