#pragma once
// One office of ours: started on the program's display with a private profile
// and a pipe of its own, in its own process group, connected over that pipe.
// Every call into it is time-limited; an office that stops answering, or
// that we release, is ended (only ever this one, never another office).
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/automation/HResult.h"
#include "platform/automation/uno/QuestionWatch.h"
#include "platform/automation/uno/UnoHeaders.h"
#include "platform/automation/uno/UnoWorker.h"
#include "platform/process/ChildProcess.h"

namespace kv::uno {

// Time limits in milliseconds.
inline constexpr int kStartLimitMs = 30000;   // the office starting and answering on its pipe
inline constexpr int kCallLimitMs = 30000;    // one ordinary call (a busy machine is slow)
inline constexpr int kLoadLimitMs = 60000;    // opening a presentation
inline constexpr int kQuitLimitMs = 10000;    // the office ending after terminate
// A show starts within a second; now and then the office's start of it never
// returns, and the run starts a new office rather than wait the whole limit.
inline constexpr int kShowStartLimitMs = 10000;

class OfficeConnection : public std::enable_shared_from_this<OfficeConnection> {
public:
    // Starts an office and connects to it; null with `error` set on failure
    // (nothing of it is left running then).
    static std::shared_ptr<OfficeConnection> Start(std::string* error);
    // Connects to an office another run of this program started and shares:
    // its pipe, process group and profile. Quitting this connection closes
    // nothing but the connection; that office keeps running for its owner.
    static std::shared_ptr<OfficeConnection> Attach(const std::string& pipe, pid_t group,
                                                    const std::filesystem::path& profile, std::string* error);
    ~OfficeConnection();  // ends the office when it still runs

    const Reference<css::uno::XComponentContext>& Context() const { return m_context; }
    Reference<css::frame::XDesktop2> Desktop() const { return m_desktop; }
    pid_t ProcessGroup() const { return m_group; }
    const std::string& Pipe() const { return m_pipe; }
    // The office profile this office uses (ours alone while it runs).
    const std::filesystem::path& Profile() const { return m_profile; }

    // Runs `call` on the office's worker within `limitMs`; UNO failures come
    // back as AutomationException (RPC_E_DISCONNECTED once the office is gone,
    // RPC_E_TIMEOUT when it stopped answering, which also ends it). A question
    // the office asks meanwhile is answered at once and fails the call with
    // "the office asked: <its text>".
    void Call(const std::function<void()>& call, int limitMs = kCallLimitMs);
    // As Call, but the office runs `call` on its own main thread, between
    // two of its events. A call that makes the office run its event loop
    // (opening a presentation, starting or ending a show) must come this way:
    // run on one of the office's bridge threads, it shares the office's
    // display connection with the main thread's event loop, and now and then
    // the two hold each other up for good.
    void CallInOfficeLoop(const std::function<void()>& call, int limitMs = kCallLimitMs);
    bool Alive() const { return !m_disposed && !m_worker.Hung(); }

    // Called (on a bridge thread) when the connection to the office breaks.
    void OnDisconnect(std::function<void()> handler);

    // Asks the office to end and waits for it; ends it by force when it does not.
    void Quit();

private:
    OfficeConnection() = default;
    bool Launch(std::string* error);
    bool Connect(std::string* error);
    // Connect on the worker within the start limit; false with *error set.
    bool ConnectInTime(std::string* error);
    bool OfficeRuns();
    void EndProcess();
    // Runs `call`, its UNO failures turned into AutomationException.
    void CallTranslated(const std::function<void()>& call);
    // Runs `call` on the worker within `limitMs`, watched for questions.
    void CallOnWorker(const std::function<void()>& call, int limitMs);
    class LoopCall;
    void Disconnected();
    class BridgeListener;

    ChildProcess m_process;
    pid_t m_group = 0;
    int m_profileLock = -1;
    std::filesystem::path m_profile;
    std::string m_pipe;
    Reference<css::uno::XComponentContext> m_context;
    Reference<css::frame::XDesktop2> m_desktop;
    Reference<css::lang::XComponent> m_bridge;
    UnoWorker m_worker;
    std::unique_ptr<QuestionWatch> m_questions;  // made once connected
    std::atomic<bool> m_disposed{false};
    bool m_attached = false;  // another run's office: never ended from here
    std::mutex m_handlerMutex;
    std::function<void()> m_onDisconnect;
};

}  // namespace kv::uno
