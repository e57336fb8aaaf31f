#include "platform/automation/uno/OfficeConnection.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <com/sun/star/awt/AsyncCallback.hpp>
#include <com/sun/star/awt/XCallback.hpp>
#include <cppuhelper/bootstrap.hxx>
#include <osl/file.hxx>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fstream>
#include <filesystem>
#include <thread>

#include "platform/automation/Dispatch.h"
#include "platform/automation/OfficeProcesses.h"
#include "platform/automation/uno/OfficeFirstStart.h"
#include "platform/automation/uno/OfficeLocks.h"
#include "platform/automation/uno/SidePane.h"
#include "platform/core/Paths.h"
#include "platform/core/Trace.h"

namespace kv::uno {

namespace fs = std::filesystem;

namespace {

constexpr int kProfileSlots = 32;
// The show lays out each slide in whole pixels of the office's own screen
// before it scales the slide to its window. At the screen's usual 96 dpi that
// grid is coarser than our capture's, so lines of text land a pixel off
// where the office's own drawing of the page puts them, and the page's
// background stops about half a pixel short of its right and bottom edges
// (a light line). A grid sixteen times finer puts both where they belong.
constexpr const char* kShowDpi = "SAL_FORCEDPI=1536";
// Only the office's own X11 backend, which every install of it has, reads
// that resolution; the show's window also lives inside our X11 window.
constexpr const char* kX11Backend = "SAL_USE_VCLPLUGIN=gen";

// The UNO runtime of our own process, made once and kept for the process's
// life (taking it down at exit races the office's bridges).
Reference<css::uno::XComponentContext> LocalContext() {
    static std::mutex mutex;
    static Reference<css::uno::XComponentContext>* context = nullptr;
    std::lock_guard lock(mutex);
    if (!context) {
        ::setenv("URE_BOOTSTRAP", "vnd.sun.star.pathname:" KV_OFFICE_PROGRAM_DIR "/fundamentalrc", 0);
        context = new Reference<css::uno::XComponentContext>(cppu::defaultBootstrap_InitialComponentContext());
    }
    return *context;
}

// Office profiles of ours, one per office running at a time: an office that
// shares a profile with another hands its work over to that one instead.
int LockFreeProfile(fs::path* profile) {
    std::error_code ec;
    fs::create_directories(OfficeProfileFolder(), ec);
    for (int slot = 0; slot < kProfileSlots; ++slot) {
        fs::path candidate = OfficeProfileFolder() / ("profile-" + std::to_string(slot));
        int fd = ::open((candidate.string() + ".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0600);
        if (fd < 0) continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            *profile = candidate;
            return fd;
        }
        ::close(fd);
    }
    return -1;
}

// The office's own output (a crash report, a library it could not load) is
// kept beside its profile, for the trace when it goes away.
fs::path OutputLog(const fs::path& profile) { return profile.string() + ".log"; }

std::string LastLines(const fs::path& file, size_t count) {
    std::ifstream in(file);
    std::deque<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
        if (lines.size() > count) lines.pop_front();
    }
    std::string text;
    for (const auto& line : lines) text += "  " + line + "\n";
    return text;
}

std::string UniquePipeName() {
    static std::atomic<int> counter{0};
    auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    return "kalvista-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) + "-" + std::to_string(now % 1000000);
}

}  // namespace

class OfficeConnection::BridgeListener : public cppu::WeakImplHelper1<css::lang::XEventListener> {
public:
    explicit BridgeListener(std::weak_ptr<OfficeConnection> owner) : m_owner(std::move(owner)) {}
    void SAL_CALL disposing(const css::lang::EventObject&) override {
        if (auto owner = m_owner.lock()) owner->Disconnected();
    }

private:
    std::weak_ptr<OfficeConnection> m_owner;
};

std::shared_ptr<OfficeConnection> OfficeConnection::Start(std::string* error) {
    std::shared_ptr<OfficeConnection> office(new OfficeConnection());
    if (!office->Launch(error)) return nullptr;
    if (!office->ConnectInTime(error)) {
        office->EndProcess();
        return nullptr;
    }
    return office;
}

std::shared_ptr<OfficeConnection> OfficeConnection::Attach(const std::string& pipe, pid_t group,
                                                           const fs::path& profile, std::string* error) {
    std::shared_ptr<OfficeConnection> office(new OfficeConnection());
    office->m_attached = true;
    office->m_pipe = pipe;
    office->m_group = group;
    office->m_profile = profile;
    if (!office->ConnectInTime(error)) return nullptr;
    TraceF("Office shared: pid %d, pipe %s\n", static_cast<int>(group), pipe.c_str());
    return office;
}

bool OfficeConnection::ConnectInTime(std::string* error) {
    bool connected = false;
    try {
        bool inTime = m_worker.Run([&] { connected = Connect(error); }, kStartLimitMs + 5000, [&] { EndProcess(); });
        if (!inTime) *error = "the office did not answer in time";
    } catch (const css::uno::Exception& e) {
        *error = "the office could not be reached: " + FromOU(e.Message);
    } catch (const std::exception& e) {
        *error = e.what();
    }
    return connected;
}

bool OfficeConnection::OfficeRuns() {
    // A shared office is another run's child: only its process group can be asked.
    return m_attached ? ::kill(m_group, 0) == 0 : m_process.Running();
}

bool OfficeConnection::Launch(std::string* error) {
    fs::path profile;
    m_profileLock = LockFreeProfile(&profile);
    m_profile = profile;
    if (m_profileLock < 0) {
        *error = "no office profile is free in " + OfficeProfileFolder().string();
        return false;
    }
    OUString profileUrl;
    osl::FileBase::getFileURLFromSystemPath(ToOU(profile.string()), profileUrl);
    const char* program = std::getenv("KALVISTA_SOFFICE");
    if (!program || !*program) program = "soffice";
    // Otherwise the office restarts itself under our connection, which then
    // reads as the office having gone away.
    if (ProfileNeedsFirstStart(profile) && !RunFirstStart(program, FromOU(profileUrl), kStartLimitMs, error))
        return false;
    m_pipe = UniquePipeName();
    std::vector<std::string> argv = {program,         "--accept=pipe,name=" + m_pipe + ";urp;",
                                     "--norestore",   "--nologo",
                                     "--nodefault",   "--nolockcheck",
                                     "--nofirststartwizard", "-env:UserInstallation=" + FromOU(profileUrl)};
    SpawnOptions options;
    options.newProcessGroup = true;
    options.environment = {kShowDpi, kX11Backend};
    std::error_code ec;
    fs::remove(OutputLog(profile), ec);
    options.outputFile = OutputLog(profile);
    int spawnError = 0;
    m_process = ChildProcess::Spawn(argv, options, &spawnError);
    if (!m_process.Started()) {
        *error = std::string("the office program \"") + program + "\" could not be started: " + std::strerror(spawnError);
        return false;
    }
    m_group = m_process.Pid();
    RegisterOwnedProcessGroup(m_group);
    TraceF("Office started: pid %d, pipe %s, profile %s\n", static_cast<int>(m_group), m_pipe.c_str(),
           m_profile.filename().c_str());
    return true;
}

bool OfficeConnection::Connect(std::string* error) {
    Reference<css::uno::XComponentContext> local = LocalContext();
    Reference<css::connection::XConnector> connector = css::connection::Connector::create(local);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartLimitMs);
    Reference<css::connection::XConnection> connection;
    while (!connection.is()) {
        try {
            connection = connector->connect(ToOU("pipe,name=" + m_pipe));
        } catch (const css::connection::NoConnectException&) {
            if (!OfficeRuns()) {
                *error = m_attached ? "the shared office has ended" : "the office ended while it was starting";
                return false;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                *error = "the office did not answer within " + std::to_string(kStartLimitMs / 1000) + " s";
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    Reference<css::bridge::XBridgeFactory2> bridges = css::bridge::BridgeFactory::create(local);
    Reference<css::bridge::XBridge> bridge = bridges->createBridge(OUString(), "urp", connection, nullptr);
    m_bridge.set(bridge, UNO_QUERY_THROW);
    m_bridge->addEventListener(new BridgeListener(weak_from_this()));
    m_context.set(bridge->getInstance("StarOffice.ComponentContext"), UNO_QUERY_THROW);
    m_desktop = css::frame::Desktop::create(m_context);
    m_questions = std::make_unique<QuestionWatch>(m_context, m_group);
    try {
        TurnOffLockFiles(m_context);
    } catch (const css::uno::Exception& e) {
        // Documents are opened read-only as well, which makes no lock file either.
        TraceF("Office lock files stay on: %s\n", FromOU(e.Message).c_str());
    }
    try {
        // Before the office reads it for its first presentation: later it keeps what it read.
        OpenWithSlidePane(m_context);
    } catch (const css::uno::Exception& e) {
        TraceF("Office may open presentations without their slide pane: %s\n", FromOU(e.Message).c_str());
    }
    return true;
}

void OfficeConnection::OnDisconnect(std::function<void()> handler) {
    std::lock_guard lock(m_handlerMutex);
    m_onDisconnect = std::move(handler);
}

void OfficeConnection::Disconnected() {
    if (m_disposed.exchange(true)) return;
    const std::string last = LastLines(OutputLog(m_profile), 40);
    Trace(last.empty() ? std::string("Office connection closed\n")
                       : "Office connection closed; the office's last output:\n" + last);
    std::function<void()> handler;
    {
        std::lock_guard lock(m_handlerMutex);
        handler = m_onDisconnect;
    }
    if (handler) handler();
}

// The office calls `notify` from its main thread and waits for it to
// return; the calls `notify` makes into the office meanwhile run on that
// thread. The caller waits for the end, or for the office to go away.
class OfficeConnection::LoopCall : public cppu::WeakImplHelper1<css::awt::XCallback> {
public:
    explicit LoopCall(const std::function<void()>& call) : m_call(call) {}

    void SAL_CALL notify(const css::uno::Any&) override {
        {
            std::lock_guard lock(m_mutex);
            if (m_abandoned) return;  // its caller has gone; so has what the call refers to
            m_running = true;
        }
        std::exception_ptr failure;
        try {
            m_call();
        } catch (...) {
            failure = std::current_exception();
        }
        std::lock_guard lock(m_mutex);
        m_failure = failure;
        m_running = false;
        m_done = true;
        m_wake.notify_all();
    }

    // Waits until the call has run; false when `gone` says first that it
    // never will (a call under way is always waited for).
    bool Wait(const std::function<bool()>& gone) {
        std::unique_lock lock(m_mutex);
        while (!m_done) {
            if (!m_running && gone()) {
                m_abandoned = true;
                return false;
            }
            m_wake.wait_for(lock, std::chrono::milliseconds(50));
        }
        if (m_failure) std::rethrow_exception(m_failure);
        return true;
    }

private:
    const std::function<void()>& m_call;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_running = false;
    bool m_done = false;
    bool m_abandoned = false;
    std::exception_ptr m_failure;
};

void OfficeConnection::CallInOfficeLoop(const std::function<void()>& call, int limitMs) {
    CallOnWorker(
        [&] {
            rtl::Reference<LoopCall> loopCall = new LoopCall(call);
            css::awt::AsyncCallback::create(m_context)->addCallback(loopCall.get(), css::uno::Any());
            if (!loopCall->Wait([this] { return m_disposed.load(); }))
                throw css::lang::DisposedException("the office has gone away");
        },
        limitMs);
}

void OfficeConnection::Call(const std::function<void()>& call, int limitMs) { CallOnWorker(call, limitMs); }

void OfficeConnection::CallOnWorker(const std::function<void()>& call, int limitMs) {
    if (m_disposed) throw AutomationException(RPC_E_DISCONNECTED, "the office has gone away");
    if (m_worker.Hung()) throw AutomationException(RPC_E_TIMEOUT, "the office stopped answering");
    bool inTime = m_worker.Run(
        [&] {
            if (m_questions) m_questions->CallStarted();
            std::exception_ptr failure;
            try {
                CallTranslated(call);
            } catch (...) {
                failure = std::current_exception();
            }
            // The question is the reason, whatever the call made of its answer.
            const std::string asked = m_questions ? m_questions->CallEnded() : std::string();
            if (!asked.empty()) throw AutomationException(E_FAIL, "the office asked: " + asked);
            if (failure) std::rethrow_exception(failure);
        },
        limitMs, [this] {
            if (const char* dump = std::getenv("KALVISTA_STALL_DUMP")) {
                std::string cmd = "for p in $(pgrep -g " + std::to_string(m_group) + " soffice.bin); do gdb -p $p -batch -ex 'thread apply all bt' >> " + dump + " 2>&1; done";
                TraceF("DBG stall dump: %s\n", cmd.c_str());
                if (std::system(cmd.c_str()) != 0) Trace("DBG dump failed\n");
            }
            EndProcess();
        });
    if (!inTime)
        throw AutomationException(RPC_E_TIMEOUT, "the office did not answer within " + std::to_string(limitMs / 1000) +
                                                     " s and was ended");
}

void OfficeConnection::CallTranslated(const std::function<void()>& call) {
    try {
        call();
    } catch (const css::lang::DisposedException&) {
        throw AutomationException(RPC_E_DISCONNECTED, "the office has gone away");
    } catch (const css::uno::RuntimeException& e) {
        if (m_disposed) throw AutomationException(RPC_E_DISCONNECTED, "the office has gone away");
        throw AutomationException(E_FAIL, FromOU(e.Message));
    } catch (const css::uno::Exception& e) {
        throw AutomationException(E_FAIL, FromOU(e.Message));
    }
}

void OfficeConnection::Quit() {
    if (!m_process.Started()) return;
    if (Alive()) {
        try {
            Call([this] { m_desktop->terminate(); }, kCallLimitMs);
        } catch (const AutomationException&) {
            // The office going away during terminate is the expected end.
        }
    }
    const std::optional<int> status = m_process.Wait(kQuitLimitMs);
    if (!status) EndProcess();
    TraceF("Office ended: %s\n", status ? ("status " + std::to_string(*status)).c_str() : "by force");
    UnregisterOwnedProcessGroup(m_group);
}

void OfficeConnection::EndProcess() {
    if (!m_process.Started()) return;
    m_process.Terminate(2000);
    m_process.Wait(2000);
    UnregisterOwnedProcessGroup(m_group);
}

OfficeConnection::~OfficeConnection() {
    if (m_process.Started() && m_process.Running()) {
        if (Alive())
            Quit();
        else
            EndProcess();
    }
    UnregisterOwnedProcessGroup(m_group);
    m_desktop.clear();
    m_context.clear();
    m_bridge.clear();
    if (m_profileLock >= 0) ::close(m_profileLock);
}

}  // namespace kv::uno
