#pragma once
// One office of ours: started on the program's display with a private profile
// and a pipe of its own, in its own process group, connected over that pipe.
// Every call into it is time-limited; an office that stops answering, or
// that we release, is ended (only ever this one, never another office).
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/automation/HResult.h"
#include "platform/automation/uno/DeckLinks.h"
#include "platform/automation/uno/OfficeRoom.h"
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
// Of that, the most the show's start spends drawing shapes as pictures
// (about 70 ms a shape: a few dozen fit, the rest stay as the show draws them).
inline constexpr std::chrono::milliseconds kShapePicturesBudget{4000};

// Whether offices started from now on may fetch what decks link to (the user
// trusts the decks): they then run outside a closed room and follow links.
void AllowLinkedContent(bool allowed);
bool LinkedContentAllowed();

// What a run tells the runs it starts of the office it shares with them.
struct SharedOfficeInfo {
    pid_t group = 0;
    std::string pipe;
    std::filesystem::path profile;
    std::filesystem::path roomFolder;  // empty: the office runs outside a closed room
    std::filesystem::path tempFolder;  // its temporary folder, as it sees it
    bool linksAllowed = false;
};

// How an office is started.
struct OfficeStart {
    // It opens files where they are and follows their links (for files we
    // trust); otherwise it runs in a closed room.
    bool linksAllowed = LinkedContentAllowed();
    // The X server it draws on (":5") and that server's key; empty: the program's own.
    std::string display;
    std::filesystem::path authority;
    // It plays sounds and films' sound to no device (an office playing out of sight).
    bool silent = false;
};

// An office for files we trust: outside a closed room, following links.
inline OfficeStart Trusting() {
    OfficeStart how;
    how.linksAllowed = true;
    return how;
}

class OfficeConnection : public std::enable_shared_from_this<OfficeConnection> {
public:
    // Starts an office and connects to it; null with `error` set on failure
    // (nothing of it is left running then). Unless linked content is allowed,
    // it runs in a closed room (where the system allows one).
    static std::shared_ptr<OfficeConnection> Start(std::string* error, const OfficeStart& how = {});
    // Connects to an office another run of this program started and shares.
    // Quitting this connection closes nothing but the connection; that office
    // keeps running for its owner.
    static std::shared_ptr<OfficeConnection> Attach(const SharedOfficeInfo& shared, std::string* error);
    ~OfficeConnection();  // ends the office when it still runs

    const Reference<css::uno::XComponentContext>& Context() const { return m_context; }
    Reference<css::frame::XDesktop2> Desktop() const { return m_desktop; }
    pid_t ProcessGroup() const { return m_group; }
    const std::string& Pipe() const { return m_pipe; }
    // The office profile this office uses (ours alone while it runs).
    const std::filesystem::path& Profile() const { return m_profile; }
    // How other runs reach this office.
    SharedOfficeInfo Shared() const;
    bool LinksAllowed() const { return m_linksAllowed; }
    // What the office opens for `presentation`: a copy inside its closed room,
    // or the file itself for an office outside one. Empty with *why set.
    std::filesystem::path Stage(const std::filesystem::path& presentation, std::string* why) const;
    // Where the office is to write a file wanted at `wanted`: there, or for an
    // office in a closed room a place of the same name inside it (move it out after).
    std::filesystem::path Outbox(const std::filesystem::path& wanted) const;
    // Where a deck the office opened as `opened` for `presentation` may take
    // what it links to (see DeckLinks.h).
    LinkPlaces PlacesFor(const std::filesystem::path& presentation, const std::filesystem::path& opened) const;
    // Where we read a file that the office names (`seen`, as the office sees
    // it) for a deck it opened as `opened`: one of its own temporary files or
    // one beside the deck it opened, or anything for a deck we trust; empty
    // for a file of the machine the deck only links to.
    std::filesystem::path OurPathOf(const std::filesystem::path& seen, const std::filesystem::path& opened) const;

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
    void MakeRoom(const std::string& program, const std::filesystem::path& profile);
    // The office's environment beyond ours; sets where its temporary files go.
    std::vector<std::string> OfficeEnvironment();
    bool Connect(std::string* error);
    // Connect on the worker within the start limit; false with *error set.
    bool ConnectInTime(std::string* error);
    bool OfficeRuns();
    void EndProcess();
    // Runs `call`, its UNO failures turned into AutomationException.
    void CallTranslated(const std::function<void()>& call);
    // Runs `call` on the worker within `limitMs`, watched for questions.
    void CallOnWorker(const std::function<void()>& call, int limitMs);
    void Disconnected();
    class BridgeListener;

    std::unique_ptr<OfficeRoom> m_room;
    std::filesystem::path m_roomFolder;
    std::filesystem::path m_tempFolder;
    bool m_linksAllowed = false;
    ChildProcess m_process;
    pid_t m_group = 0;
    int m_profileLock = -1;
    std::filesystem::path m_profile;
    std::string m_pipe;
    OfficeStart m_how;
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
