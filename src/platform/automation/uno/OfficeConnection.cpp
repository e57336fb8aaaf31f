#include "platform/automation/uno/OfficeConnection.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <unistd.h>

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
#include "platform/automation/uno/OfficeLoopCall.h"
#include "platform/automation/uno/OfficeSettings.h"
#include "platform/automation/uno/SidePane.h"
#include "platform/core/Paths.h"
#include "platform/core/PrivateFiles.h"
#include "platform/core/Trace.h"
#include "platform/files/RunFolder.h"

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
// A deck of PowerPoint 2007 holds its SmartArt without the drawing newer
// versions add; the office then draws what it can and says so in a message
// box of its own, which holds the load (for ever, in a hidden document).
constexpr const char* kNoSmartArtNotice = "OOX_NO_SMARTART_WARNING=1";
// The office's 3D transitions (and its fade) go through OpenGL. Drawn in
// software, as on our own X server, each one holds the old slide still, with
// the office's pause sign, for 0.4 to 1.7 s before it starts, and the slides'
// times run late by as much. Without OpenGL the fades are the office's own
// and a 3D-only transition is a cut, on time.
constexpr const char* kNoOpenGl = "SAL_DISABLEGL=1";

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
    // Only a folder of ours: a profile someone else could write to is one they could plant settings in.
    std::string why;
    if (!MakePrivateFolder(OfficeProfileFolder(), &why)) {
        Trace("Office profiles: " + why + "\n");
        return -1;
    }
    std::error_code ec;
    const fs::path folder = fs::canonical(OfficeProfileFolder(), ec);
    for (int slot = 0; slot < kProfileSlots; ++slot) {
        fs::path candidate = folder / ("profile-" + std::to_string(slot));
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

// A name nobody can guess: 128 random bits.
std::string UniquePipeName() {
    unsigned char random[16] = {};
    if (::getrandom(random, sizeof random, 0) != static_cast<ssize_t>(sizeof random)) return {};
    std::string name = "kalvista-";
    for (unsigned char byte : random) {
        name += "0123456789abcdef"[byte >> 4];
        name += "0123456789abcdef"[byte & 15];
    }
    return name;
}

std::atomic<bool> g_linkedContentAllowed{false};

}  // namespace

void AllowLinkedContent(bool allowed) { g_linkedContentAllowed = allowed; }
bool LinkedContentAllowed() { return g_linkedContentAllowed; }

class OfficeConnection::BridgeListener : public cppu::WeakImplHelper1<css::lang::XEventListener> {
public:
    explicit BridgeListener(std::weak_ptr<OfficeConnection> owner) : m_owner(std::move(owner)) {}
    void SAL_CALL disposing(const css::lang::EventObject&) override {
        if (auto owner = m_owner.lock()) owner->Disconnected();
    }

private:
    std::weak_ptr<OfficeConnection> m_owner;
};

std::shared_ptr<OfficeConnection> OfficeConnection::Start(std::string* error, const OfficeStart& how) {
    std::shared_ptr<OfficeConnection> office(new OfficeConnection());
    office->m_how = how;
    office->m_linksAllowed = how.linksAllowed;
    if (!office->Launch(error)) return nullptr;
    if (!office->ConnectInTime(error)) {
        office->EndProcess();
        return nullptr;
    }
    return office;
}

std::shared_ptr<OfficeConnection> OfficeConnection::Attach(const SharedOfficeInfo& shared, std::string* error) {
    std::shared_ptr<OfficeConnection> office(new OfficeConnection());
    office->m_attached = true;
    office->m_pipe = shared.pipe;
    office->m_group = shared.group;
    office->m_profile = shared.profile;
    office->m_roomFolder = shared.roomFolder;
    office->m_tempFolder = shared.tempFolder;
    office->m_linksAllowed = shared.linksAllowed;
    if (!office->ConnectInTime(error)) return nullptr;
    TraceF("Office shared: pid %d, pipe %s\n", static_cast<int>(shared.group), shared.pipe.c_str());
    return office;
}

SharedOfficeInfo OfficeConnection::Shared() const {
    return {m_group, m_pipe, m_profile, m_roomFolder, m_tempFolder, m_linksAllowed};
}

fs::path OfficeConnection::Outbox(const fs::path& wanted) const {
    if (m_roomFolder.empty()) return wanted;
    std::error_code ignored;
    fs::create_directories(m_roomFolder / "out", ignored);
    return m_roomFolder / "out" / wanted.filename();
}

LinkPlaces OfficeConnection::PlacesFor(const fs::path& presentation, const fs::path& opened) const {
    return {presentation.parent_path(), opened.parent_path(), m_tempFolder, m_linksAllowed};
}

fs::path OfficeConnection::OurPathOf(const fs::path& seen, const fs::path& opened) const {
    if (m_linksAllowed && m_roomFolder.empty()) return seen;
    if (PathUnder(seen, m_tempFolder))
        return m_roomFolder.empty() ? seen : m_roomFolder / "tmp" / seen.lexically_normal().lexically_relative(m_tempFolder);
    return PathUnder(seen, opened.parent_path()) ? seen : fs::path();
}

fs::path OfficeConnection::Stage(const fs::path& presentation, std::string* why) const {
    return m_roomFolder.empty() ? presentation : StageInRoom(m_roomFolder, presentation, why);
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
    // A shared office is another run's child: only its process group can be
    // asked, and an office that died is a zombie there until that run reaps it.
    return m_attached ? ProcessGroupLives(m_group) : m_process.Running();
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
    std::string why;
    if (!MakePrivateFolder(profile, &why)) {
        *error = "the office profile cannot be used: " + why;
        return false;
    }
    if (!m_linksAllowed) MakeRoom(program, profile);
    const std::shared_ptr<const ClosedRoom> room = m_room ? m_room->Room() : nullptr;
    // Otherwise the office restarts itself under our connection, which then
    // reads as the office having gone away.
    if (ProfileNeedsFirstStart(profile) && !RunFirstStart(program, FromOU(profileUrl), kStartLimitMs, room, error))
        return false;
    // What keeps a deck from running macros or fetching links holds from the office's first moment.
    if (!WriteOfficeSettings(profile, m_linksAllowed, error)) return false;
    m_pipe = UniquePipeName();
    if (m_pipe.empty()) {
        *error = "no random numbers for the office's pipe";
        return false;
    }
    if (m_room && !m_room->LinkPipe(m_pipe, error)) return false;
    std::vector<std::string> argv = {program,         "--accept=pipe,name=" + m_pipe + ";urp;",
                                     "--norestore",   "--nologo",
                                     "--nodefault",   "--nolockcheck",
                                     "--nofirststartwizard", "-env:UserInstallation=" + FromOU(profileUrl)};
    SpawnOptions options;
    options.newProcessGroup = true;
    options.room = room;
    options.environment = OfficeEnvironment();
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
    TraceF("Office started: pid %d, pipe %s, profile %s, %s\n", static_cast<int>(m_group), m_pipe.c_str(),
           m_profile.filename().c_str(), m_room ? "in a closed room" : "outside a closed room");
    return true;
}

void OfficeConnection::MakeRoom(const std::string& program, const fs::path& profile) {
    std::string why;
    m_room = OfficeRoom::Make(program, profile, m_how.authority, &why);
    if (m_room) m_roomFolder = m_room->Folder();
    // The office's own settings still keep links and macros off.
    else Trace("Office runs outside a closed room: " + why + "\n");
}

std::vector<std::string> OfficeConnection::OfficeEnvironment() {
    // Its temporary files are the run's: in its room /tmp is the room's own,
    // outside one a private folder of the run's.
    const fs::path folder = RunFolder() / "office-tmp";
    if (m_room) m_tempFolder = "/tmp";
    else m_tempFolder = !RunFolder().empty() && MakePrivateFolder(folder) ? folder : UserFallbackFolder();
    std::vector<std::string> environment = {kShowDpi, kX11Backend, kNoSmartArtNotice, kNoOpenGl,
                                            "TMPDIR=" + m_tempFolder.string()};
    // In its room only the system's folders are there: its program search looks there too.
    const char* path = std::getenv("PATH");
    if (m_room) environment.push_back("PATH=" + std::string(path ? path : "") + ":/usr/local/bin:/usr/bin:/bin");
    if (!m_how.display.empty()) environment.push_back("DISPLAY=" + m_how.display);
    if (!m_how.authority.empty()) environment.push_back("XAUTHORITY=" + m_how.authority.string());
    // The office plays through GStreamer: with no sound server to reach and
    // no sound device it will take, its films still play, without a sound.
    if (m_how.silent)
        environment.insert(environment.end(), {"PULSE_SERVER=unix:/nonexistent/kalvista-silent",
                                               "GST_PLUGIN_FEATURE_RANK=pulsesink:NONE,alsasink:NONE,pipewiresink:NONE,"
                                               "jackaudiosink:NONE,osssink:NONE,oss4sink:NONE,openalsink:NONE"});
    return environment;
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
        ApplyOfficeSettings(m_context, m_linksAllowed);
    } catch (const css::uno::Exception& e) {
        // The profile's file already holds them; this only repeats them.
        TraceF("Office settings not set again: %s\n", FromOU(e.Message).c_str());
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

void OfficeConnection::CallInOfficeLoop(const std::function<void()>& call, int limitMs) {
    CallOnWorker(
        [&] {
            rtl::Reference<OfficeLoopCall> loopCall = new OfficeLoopCall(call);
            loopCall->Post(m_context);
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
        limitMs, [this] { EndProcess(); });
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
