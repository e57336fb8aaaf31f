#pragma once
// Stand-ins for the container's partners that write what they were asked into
// one shared list of steps, so a test sees the order across all of them.
#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/automation/AutomationServers.h"
#include "platform/automation/ScriptedOffice.h"
#include "platform/core/MessageBox.h"
#include "playback/container/ContainerServices.h"
#include "recording/state/RecorderState.h"

namespace kvtest {

// Runs the Qt loop until `done` or the time is up; true when done.
inline bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// Each case starts from a recorder that never ran and a scripted office that
// holds one three-slide presentation at `path`.
inline void StartCleanWithScriptedOffice(kv::ScriptedOffice& office, const std::string& path,
                                         const std::shared_ptr<kv::RecordingMessageBox>& boxes) {
    kv::g_bSlideShowEnded = false;
    kv::g_bRecorderThreadEnded = 0;
    kv::g_bRecorderError = false;
    kv::g_hWaitDlg = 0;
    kv::g_hSlideShowWnd = 0;
    kv::g_hPositionedEvent.store(nullptr);
    office.AddPresentation(path, 3);
    office.Register();
    kv::SetMessageBoxService(boxes);
}

// Undoes StartCleanWithScriptedOffice once the case's container is gone.
inline void EndScriptedOffice() {
    kv::UnregisterAutomationServer("Powerpoint.Application");
    kv::SetMessageBoxService(nullptr);
}

class StepLog {
public:
    void Add(const std::string& step) {
        std::lock_guard lock(m_mutex);
        m_steps.push_back(step);
    }
    std::vector<std::string> Steps() const {
        std::lock_guard lock(m_mutex);
        return m_steps;
    }
    int Count(const std::string& step) const {
        std::lock_guard lock(m_mutex);
        return static_cast<int>(std::count(m_steps.begin(), m_steps.end(), step));
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_steps;
};

class LoggingRecorder : public kv::RecorderControls {
public:
    explicit LoggingRecorder(std::shared_ptr<StepLog> log) : m_log(std::move(log)) {}
    void RecordOrResume() override { m_log->Add("Record"); }
    void PauseRecording() override { m_log->Add("Pause"); }
    void StopRecording() override { m_log->Add("StopRecording"); }
    void ReleaseInstance() override { m_log->Add("ReleaseInstance"); }

private:
    std::shared_ptr<StepLog> m_log;
};

// The conversion dialog's modal run: serves the queued messages for a while,
// as a modal loop would, and runs what the test wants to happen meanwhile.
class LoggingConversion : public kv::ConversionDialogs {
public:
    explicit LoggingConversion(std::shared_ptr<StepLog> log) : m_log(std::move(log)) {}
    void RunWaitDialog(const std::string& sizeNote) override {
        sizeNotes.push_back(sizeNote);
        m_log->Add("WaitDialog");
        for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
        if (whileOpen) whileOpen();
        m_log->Add("WaitDialogClosed");
    }
    void PlayOutputFile() override { m_log->Add("PlayOutputFile"); }
    std::function<void()> whileOpen;
    std::vector<std::string> sizeNotes;  // one per run of the dialog

private:
    std::shared_ptr<StepLog> m_log;
};

class LoggingTaskbar : public kv::Taskbar {
public:
    explicit LoggingTaskbar(std::shared_ptr<StepLog> log) : m_log(std::move(log)) {}
    void Show(bool show) override { m_log->Add(show ? "ShowTaskbar" : "HideTaskbar"); }

private:
    std::shared_ptr<StepLog> m_log;
};

}  // namespace kvtest
