// A second process for the application-core tests: it plays the first copy
// of the program, writes settings beside the test, or reports its message
// numbers, as the first argument says.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "app/core/AppMessages.h"
#include "app/core/RegSettings.h"
#include "app/core/Startup.h"
#include "platform/core/InstanceLock.h"

using namespace kv;

namespace {

// Appends one line to the log and flushes it, so the test sees it at once.
class Log {
public:
    explicit Log(const char* path) : m_out(path, std::ios::app) {}
    void Line(const std::string& text) { m_out << text << std::endl; }

private:
    std::ofstream m_out;
};

// The container's part in the single-instance probe, with every call logged.
class FakeContainer : public MessageReceiver, public WindowPresenter {
public:
    FakeContainer(Log& log, bool answers, int delayMs) : m_log(log), m_answers(answers), m_delayMs(delayMs) {}
    LRESULT OnMessage(UINT message, WPARAM, LPARAM) override {
        m_log.Line("message " + std::to_string(message));
        if (m_delayMs) std::this_thread::sleep_for(std::chrono::milliseconds(m_delayMs));
        return m_answers && message == UWM_ONE_INSTANCE ? UWM_ONE_INSTANCE : 0;
    }
    void SetForeground() override { m_log.Line("foreground"); }
    bool IsIconic() const override { return m_iconic; }
    void Restore() override {
        m_iconic = false;
        m_log.Line("restored");
    }

private:
    Log& m_log;
    bool m_answers;
    int m_delayMs;
    bool m_iconic = true;  // starts minimised
};

[[noreturn]] void WaitToBeKilled() {
    for (;;) pause();
}

// first-instance <mutex name> <container|hung|wizard|none> <log>
int FirstInstanceMode(const char* name, const std::string& window, const char* logPath) {
    Log log(logPath);
    auto instance = StartSingleInstance(name);
    if (!instance) {
        log.Line("second");
        return 3;
    }
    LoopThread ui;
    FakeContainer container(log, window != "wizard", window == "hung" ? 5000 : 0);
    if (window != "none") {
        HWND handle = CreateWindowHandle(&container, &ui, "PPTContainerDlgClass", "Kalvista");
        SetWindowPresenter(handle, &container);
    }
    log.Line("ready");
    WaitToBeKilled();
}

// lock-only <mutex name> <log>: holds the lock but never answers.
int LockOnlyMode(const char* name, const char* logPath) {
    Log log(logPath);
    InstanceLock lock(name);
    log.Line(lock.result() == InstanceLock::Result::Created ? "ready" : "not first");
    WaitToBeKilled();
}

// write-settings <prefix> <count>: values <prefix><i> = i, one write each.
int WriteSettingsMode(const std::string& prefix, int count) {
    CRegSettings store;
    int failed = 0;
    for (int i = 0; i < count; ++i)
        if (!store.SetDWORD("AVSettings", prefix + std::to_string(i), static_cast<std::uint32_t>(i))) ++failed;
    return failed ? 1 : 0;
}

// write-forever <log>: rewrites "Counter" and a long text until killed.
int WriteForeverMode(const char* logPath) {
    Log log(logPath);
    CRegSettings store;
    log.Line("ready");
    for (std::uint32_t i = store.GetDWORD("AVSettings", "Counter", 0) + 1;; ++i) {
        store.SetDWORD("AVSettings", "Counter", i);
        store.SetString("File Properties", "Text", std::string(4096 + i % 512, 'a' + i % 26));
    }
}

void PrintMessages() {
    for (UINT number : {UWM_ONE_INSTANCE, UWM_SLIDESHOWEND, UWM_IS_SLIDESHOW_ENDED, UWM_RECORDER_ERROR,
                        UWM_CONTINUESLIDESHOW, UWM_STARTRECORDING, UWM_SLIDESHOWLAUNCHERROR, UWM_SHOWTASKBAR,
                        UWM_SHOWPPTCONTAINERDLG, UWM_DIALOGEND, UWM_MERGE_PROGRESS, UWM_CONVERSIONEND})
        std::printf("%u\n", number);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "messages") {
        PrintMessages();
        return 0;
    }
    if (mode == "first-instance" && argc == 5) return FirstInstanceMode(argv[2], argv[3], argv[4]);
    if (mode == "lock-only" && argc == 4) return LockOnlyMode(argv[2], argv[3]);
    if (mode == "write-settings" && argc == 4) return WriteSettingsMode(argv[2], std::atoi(argv[3]));
    if (mode == "write-forever" && argc == 3) return WriteForeverMode(argv[2]);
    std::fprintf(stderr, "usage: kv_app_test_helper messages | first-instance NAME container|hung|wizard|none LOG |"
                         " lock-only NAME LOG | write-settings PREFIX COUNT | write-forever LOG\n");
    return 2;
}
