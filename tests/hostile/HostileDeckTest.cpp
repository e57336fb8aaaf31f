// Presentations made to harm whoever converts them, given to the real
// program (`kalvista --convert`, its office, its private display): links to
// pictures and films on a web server of the test and in a folder outside the
// deck, linked objects, a DDE field, a macro that runs on opening, slide times
// no show could play, 10,000 slides, a zip bomb, a web page under a
// presentation's name, a journal naming a file that is not the run's, two
// conversions at once. Each ends in bounded time with its video or its
// reason; the web server sees no request; nothing outside the run changes.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <thread>

#include "app/core/AppMessages.h"
#include <com/sun/star/beans/NamedValue.hpp>
#include <com/sun/star/configuration/theDefaultProvider.hpp>
#include <com/sun/star/container/XNameAccess.hpp>

#include "platform/automation/uno/OfficeConnection.h"
#include "platform/automation/uno/OfficeSettings.h"
#include "platform/automation/uno/UnoAutomation.h"
#include "platform/core/Trace.h"
#include "platform/process/ChildProcess.h"
#include "platform/process/ClosedRoom.h"
#include "playback/AutomationHost.h"
#include "playback/PptAutomation.h"
#include "recording/Recorder.h"
#include "support/HostWindow.h"
#include "support/RecordedFile.h"
#include "support/RunMarker.h"
#include "support/ShellOutput.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A web server that must never be asked anything: it counts who connects.
class Witness {
public:
    Witness() {
        m_socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        ::listen(m_socket, 16);
        m_thread = std::thread([this] {
            for (;;) {
                const int client = ::accept(m_socket, nullptr, nullptr);
                if (client < 0 || m_stopping) break;
                ++m_connections;
                ::close(client);
            }
        });
    }
    ~Witness() {
        m_stopping = true;
        ::shutdown(m_socket, SHUT_RDWR);
        ::close(m_socket);
        m_thread.join();
    }
    int Port() const { return m_port; }
    int Connections() const { return m_connections; }

private:
    int m_socket = -1;
    int m_port = 0;
    std::atomic<int> m_connections{0};
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

// Every access to the files of a folder (an open is enough), as the kernel reports it.
class FolderWatch {
public:
    explicit FolderWatch(const fs::path& folder) : m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
        ::inotify_add_watch(m_fd, folder.c_str(),
                            IN_ACCESS | IN_OPEN | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVE);
    }
    ~FolderWatch() { ::close(m_fd); }
    // The names touched since the last call.
    std::vector<std::string> Touched() {
        std::vector<std::string> names;
        alignas(inotify_event) char buffer[8192];
        ssize_t length;
        while ((length = ::read(m_fd, buffer, sizeof buffer)) > 0)
            for (char* at = buffer; at < buffer + length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(at);
                names.push_back(event->len ? event->name : ".");
                at += sizeof(inotify_event) + event->len;
            }
        return names;
    }

private:
    int m_fd;
};

// Each file of a folder with its size and time of change.
std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> Snapshot(const fs::path& folder) {
    std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = {entry.is_regular_file() ? entry.file_size() : 0,
                                                   entry.last_write_time()};
    return files;
}

struct RunOutcome {
    std::optional<int> status;  // nothing when it had to be ended
    std::string log;            // stdout and stderr
    std::string trace;
    double seconds = 0;
};

// How much of a video's pictures (their middle) is pure red, green and blue.
struct Colours {
    long red = 0, green = 0, blue = 0, pixels = 0;
};

Colours ColoursOf(const fs::path& video) {
    Colours colours;
    kvtest::ReadRecordedFile(video.string(), [&](std::int64_t, const kv::FrameImage& picture) {
        for (int y = picture.height / 3; y < picture.height * 2 / 3; y += 4)
            for (int x = picture.width / 3; x < picture.width * 2 / 3; x += 4) {
                const std::uint8_t* p = picture.Row(y) + 4 * x;  // B, G, R
                const bool low[3] = {p[0] < 60, p[1] < 60, p[2] < 60}, high[3] = {p[0] > 200, p[1] > 200, p[2] > 200};
                colours.red += high[2] && low[1] && low[0];
                colours.green += high[1] && low[2] && low[0];
                colours.blue += high[0] && low[2] && low[1];
                ++colours.pixels;
            }
    });
    return colours;
}

class HostileDecks : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new kvtest::TempDir("kalvista-hostile");
        s_witness = new Witness();
        const char* source = std::getenv("KALVISTA_SOURCE_DIR");
        const fs::path script = fs::path(source ? source : ".") / "tests/data/make_hostile_decks.py";
        const auto made = Clock::now();
        kvtest::ShellOutput("python3 '" + script.string() + "' '" + Decks().string() + "' '" + Outside().string() +
                            "' " + std::to_string(s_witness->Port()) + " 2>&1");
        std::printf("hostile decks made in %.1f s\n", Since(made));
        s_outsideWatch = new FolderWatch(Outside());
        s_decks = new std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>>(Snapshot(Decks()));
    }
    static void TearDownTestSuite() {
        delete s_decks;
        delete s_outsideWatch;
        delete s_witness;
        delete s_dir;
    }

    void SetUp() override {
        const char* binaryDir = std::getenv("KALVISTA_BINARY_DIR");
        ASSERT_NE(binaryDir, nullptr) << "run through ctest (KALVISTA_BINARY_DIR names the build)";
        kalvista = fs::path(binaryDir) / "src/app/kalvista";
        ASSERT_TRUE(fs::exists(Decks() / "links.pptx")) << "the decks were not made";
        fs::create_directories(output);
    }

    // Whatever a test did: no request reached the web server, nothing outside
    // the deck's folder was so much as opened, the decks are as they were,
    // and no run left its folder behind.
    void TearDown() override {
        EXPECT_EQ(s_witness->Connections(), 0) << "a deck reached the network";
        const auto touched = s_outsideWatch->Touched();
        EXPECT_TRUE(touched.empty()) << "outside the deck's folder: " << ::testing::PrintToString(touched);
        EXPECT_EQ(Snapshot(Decks()), *s_decks) << "the decks' folder changed";
        EXPECT_FALSE(fs::exists(Outside() / "macro-ran")) << "the deck's macro ran";
        EXPECT_FALSE(fs::exists(Outside() / "program-ran")) << "the deck's program ran";
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(home / ".cache/Kalvista/runs", error))
            ADD_FAILURE() << "a run left its folder: " << entry.path();
        for (pid_t pid : kvtest::ProcessesWithMarker(marker)) {
            ADD_FAILURE() << "process " << pid << " of a run is still there";
            ::kill(pid, SIGKILL);
        }
    }

    static fs::path Decks() { return s_dir->path() / "decks"; }
    static fs::path Outside() { return s_dir->path() / "outside"; }

    // Starts `kalvista --convert` on these decks, as a user without a display
    // would (a private X server of its own), with folders of its own.
    kv::ChildProcess Start(const std::vector<std::string>& decks, std::vector<std::string> arguments,
                           const std::string& name = "run") {
        const fs::path runtime = dir / (name + "-runtime");
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        kv::SpawnOptions options;
        options.outputFile = dir / (name + ".log");
        options.newProcessGroup = true;
        options.environment = {"HOME=" + home.string(), "XDG_CACHE_HOME=" + (home / ".cache").string(),
                               "XDG_RUNTIME_DIR=" + runtime.string(),
                               "KALVISTA_REGISTRY=" + (dir / (name + ".reg")).string(),
                               "KALVISTA_TRACE=" + (dir / (name + ".trace")).string(), "DISPLAY=", marker};
        std::vector<std::string> argv{kalvista.string(), "--convert"};
        for (const std::string& deck : decks) argv.push_back((Decks() / deck).string());
        argv.insert(argv.end(), {"--no-sound", "--size", "320x240", "--fps", "10"});
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        return kv::ChildProcess::Spawn(argv, options);
    }

    RunOutcome Finish(kv::ChildProcess& child, Clock::time_point started, const std::string& name = "run",
               int limitSeconds = 120) {
        RunOutcome run;
        run.status = child.Wait(limitSeconds * 1000);
        if (!run.status) child.Terminate(2000);
        run.seconds = Since(started);
        run.log = kvtest::ReadTextFile(dir / (name + ".log"));
        run.trace = kvtest::ReadTextFile(dir / (name + ".trace"));
        return run;
    }

    RunOutcome Convert(const std::vector<std::string>& decks, std::vector<std::string> arguments, int limitSeconds = 120) {
        const auto started = Clock::now();
        kv::ChildProcess child = Start(decks, std::move(arguments));
        return Finish(child, started, "run", limitSeconds);
    }

    inline static kvtest::TempDir* s_dir = nullptr;
    inline static Witness* s_witness = nullptr;
    inline static FolderWatch* s_outsideWatch = nullptr;
    inline static std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>>* s_decks = nullptr;
    kvtest::TempDir dir{"kalvista-hostile-run"};
    const fs::path home = dir / "home";
    const fs::path output = dir / "videos";
    fs::path kalvista;
    const std::string marker = "KALVISTA_HOSTILE_RUN=" + std::to_string(::getpid()) + "-" +
                               std::to_string(Clock::now().time_since_epoch().count());
};

bool Says(const RunOutcome& run, const std::string& text) { return run.log.find(text) != std::string::npos; }

// The cases whose safety rests on the office's closed room.
#define NEEDS_CLOSED_ROOMS() \
    if (!kv::ClosedRoomsWork()) GTEST_SKIP() << "this system allows no user namespaces: the office has no closed room"

// Pictures and films linked over the web and from elsewhere on the machine
// are left out (the office shows a missing link), a picture linked from the
// deck's own folder shows: recorded and rendered alike.
TEST_F(HostileDecks, LinkedPicturesAndFilmsStayOutsideButAPictureBesideTheDeckShows) {
    NEEDS_CLOSED_ROOMS();
    for (const std::vector<std::string>& mode : {std::vector<std::string>{}, std::vector<std::string>{"--fast"}}) {
        SCOPED_TRACE(mode.empty() ? "recorded" : "rendered");
        const fs::path video = output / (mode.empty() ? "recorded.mp4" : "rendered.mp4");
        std::vector<std::string> arguments = {"--seconds", "1", "--output", video.string()};
        arguments.insert(arguments.end(), mode.begin(), mode.end());
        const RunOutcome run = Convert({"links.pptx"}, arguments);
        ASSERT_EQ(run.status, 0) << run.log;
        EXPECT_LT(run.seconds, 90);
        EXPECT_NE(run.trace.find("in a closed room"), std::string::npos) << "the office ran outside its room";
        const Colours colours = ColoursOf(video);
        EXPECT_GT(colours.green, colours.pixels / 20) << "the picture beside the deck is not in the video";
        EXPECT_EQ(colours.red, 0) << "the picture from outside the deck's folder is in the video";
        EXPECT_EQ(colours.blue, 0) << "the picture from the web is in the video";
    }
}

// A linked object (PowerPoint's and OpenDocument's), a DDE field and a macro
// that runs on opening: nothing outside is read, nothing runs; each deck
// gives its video, or (the DDE field takes the office down) its reason.
TEST_F(HostileDecks, LinkedObjectsADdeFieldAndAMacroReachNothing) {
    NEEDS_CLOSED_ROOMS();
    const RunOutcome run = Convert({"objects.pptx", "objects.odp", "dde.odp", "macro.odp"},
                            {"--fast", "--seconds", "1", "--output", output.string()});
    ASSERT_TRUE(run.status.has_value()) << run.log;
    EXPECT_LT(run.seconds, 90);
    for (const char* video : {"objects.mp4", "macro.mp4"}) EXPECT_TRUE(Says(run, "Video: " + (output / video).string())) << run.log;
    EXPECT_TRUE(Says(run, "Video: " + (output / "objects1.mp4").string())) << run.log;
    EXPECT_TRUE(Says(run, "Video: " + (output / "dde.mp4").string()) ||
                Says(run, "kalvista: Failed: " + (Decks() / "dde.odp").string() + ": The presentation is damaged"))
        << run.log;
}

// Slide times no show could play (advTm of inf, 1e300 and 9e15 ms) are refused
// at once with their reason, when rendered and when recorded, instead of a
// run that never ends.
TEST_F(HostileDecks, SlideTimesBeyondAnyShowAreRefusedAtOnce) {
    const RunOutcome rendered = Convert({"time-inf.pptx", "time-1e300.pptx", "time-9e15.pptx"},
                                 {"--fast", "--mode", "timings", "--output", output.string()});
    EXPECT_EQ(rendered.status, 1) << rendered.log;
    for (const char* deck : {"time-inf.pptx", "time-1e300.pptx", "time-9e15.pptx"})
        EXPECT_TRUE(Says(rendered, "kalvista: Failed: " + (Decks() / deck).string() + ": Slide 2 would stay on screen for "))
            << rendered.log;
    EXPECT_TRUE(Says(rendered, "Slide 2 would stay on screen for ever, longer than the 1 h a slide may last")) << rendered.log;
    const RunOutcome recorded = Convert({"time-9e15.pptx"}, {"--mode", "timings", "--output", (output / "t.mp4").string()});
    EXPECT_EQ(recorded.status, 1) << recorded.log;
    EXPECT_TRUE(Says(recorded, "Slide 2 would stay on screen for 9e+12 s, longer than the 1 h a slide may last"))
        << recorded.log;
    EXPECT_LT(rendered.seconds + recorded.seconds, 90);
    EXPECT_FALSE(fs::exists(output / "t.mp4"));
}

// 10,000 slides, a zip bomb and a web page renamed .pptx are refused from
// what the files hold, before the office is given them.
TEST_F(HostileDecks, FilesBeyondTheBoundsOrNoPresentationAtAllNeverReachTheOffice) {
    const RunOutcome run = Convert({"many.pptx", "bomb.pptx", "page.pptx"}, {"--fast", "--output", output.string()});
    EXPECT_EQ(run.status, 1) << run.log;
    EXPECT_LT(run.seconds, 60);
    EXPECT_TRUE(Says(run, "many.pptx: The presentation has 10000 slides, more than the 1000 a presentation may have"))
        << run.log;
    EXPECT_TRUE(Says(run, "bomb.pptx: A part of the presentation (ppt/media/zeros.bin) unpacks to more than 1000 times"))
        << run.log;
    EXPECT_TRUE(Says(run, "page.pptx: The file is not a presentation: " + (Decks() / "page.pptx").string() +
                              " (it is a web page)"))
        << run.log;
    EXPECT_EQ(run.trace.find("Office deck closed off"), std::string::npos) << "the office was given one of them";
    EXPECT_TRUE(fs::is_empty(output));
}

// The private X server of a run without a display lets in only the holders
// of its key: a client without it is refused, while the run records.
TEST_F(HostileDecks, TheRunsPrivateDisplayRefusesAClientWithoutItsKey) {
    const auto started = Clock::now();
    kv::ChildProcess child = Start({"links.pptx"}, {"--seconds", "3", "--output", (output / "keyed.mp4").string()});
    const std::regex line(R"(Private X server on (:\d+) with a \S+ screen, its key in (\S+))");
    std::smatch found;
    std::string trace;
    while (!std::regex_search(trace = kvtest::ReadTextFile(dir / "run.trace"), found, line) && child.Running() &&
           Since(started) < 60)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_FALSE(found.empty()) << kvtest::ReadTextFile(dir / "run.log");
    const std::string display = found[1], key = found[2];
    struct stat info {};
    ASSERT_EQ(::stat(key.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u) << "the key may be read by others";
    std::ofstream(dir / "no-key").close();
    ::setenv("XAUTHORITY", (dir / "no-key").c_str(), 1);
    Display* stranger = XOpenDisplay(display.c_str());
    EXPECT_EQ(stranger, nullptr) << "a client without the key got in";
    if (stranger) XCloseDisplay(stranger);
    ::setenv("XAUTHORITY", key.c_str(), 1);
    Display* holder = XOpenDisplay(display.c_str());
    EXPECT_NE(holder, nullptr) << "the key does not open the display";
    if (holder) XCloseDisplay(holder);
    ::unsetenv("XAUTHORITY");
    const RunOutcome run = Finish(child, started);
    EXPECT_EQ(run.status, 0) << run.log;
    EXPECT_FALSE(fs::exists(key)) << "the key outlived the run";
}

// Two conversions at once, each with its own runtime folder and settings but
// the same home (the issue's two displays, one install): each video is whole
// and holds its own deck's slides only.
TEST_F(HostileDecks, TwoConversionsAtOnceEachMakeTheirOwnVideo) {
    const auto started = Clock::now();
    kv::ChildProcess first = Start({"links.pptx"}, {"--seconds", "2", "--output", (output / "first.mp4").string()}, "first");
    kv::ChildProcess second =
        Start({"objects.pptx"}, {"--seconds", "4", "--output", (output / "second.mp4").string()}, "second");
    const RunOutcome one = Finish(first, started, "first"), two = Finish(second, started, "second");
    ASSERT_EQ(one.status, 0) << one.log;
    ASSERT_EQ(two.status, 0) << two.log;
    EXPECT_TRUE(Says(one, "Video: " + (output / "first.mp4").string() + " (8.")) << one.log;
    EXPECT_TRUE(Says(two, "Video: " + (output / "second.mp4").string() + " (4.")) << two.log;
    EXPECT_GT(ColoursOf(output / "first.mp4").green, 0) << "the first run's picture is missing";
    EXPECT_EQ(ColoursOf(output / "second.mp4").green, 0) << "the second video holds the first deck's picture";
    EXPECT_LT(Since(started), 90);
}

// A killed run's folder whose journal names a file outside that folder: the
// next recorded run (which rebuilds what killed runs left) ignores it, and the
// file is neither read nor moved.
TEST_F(HostileDecks, AJournalNamingAFileOutsideItsFolderIsIgnored) {
    const fs::path killed = home / ".cache/Kalvista/runs/run-killed";
    fs::create_directories(killed);
    fs::permissions(killed, fs::perms::owner_all);
    std::ofstream(killed / "~run.lock").close();
    const std::string journal = (Outside() / "private.png").string() + '\0' + "" + '\0' +
                                (output / "talk.mp4").string() + '\0';
    std::ofstream(killed / "~Record.avi.journal", std::ios::binary) << journal;
    s_outsideWatch->Touched();
    const RunOutcome run = Convert({"objects.pptx"}, {"--seconds", "1", "--output", (output / "new.mp4").string()});
    EXPECT_EQ(run.status, 0) << run.log;
    EXPECT_FALSE(Says(run, "recovered")) << run.log;
    EXPECT_NE(run.trace.find("RecoverInterruptedRecording : the journal in " + killed.string() +
                             " is ignored: it names a file outside its own folder"),
              std::string::npos)
        << run.trace;
    EXPECT_FALSE(fs::exists(output / "talk-recovered.avi"));
    EXPECT_FALSE(fs::exists(killed / "~Record.avi.journal"));
    fs::remove_all(killed);
}

// A deck's "run program" action and its hyperlink, clicked in a show the
// presenter advances (the one mode whose clicks reach the show): neither acts.
TEST_F(HostileDecks, ARunProgramActionAndAHyperlinkClickedInAPresentersShowDoNothing) {
    NEEDS_CLOSED_ROOMS();
    kvtest::ScopedRegistry registry;
    kvtest::XvfbServer xvfb("1024x768x24");
    kvtest::HostWindow slideArea(800, 600);
    kvtest::AutomationHost host(slideArea.window());
    kv::TraceCapture traces;
    kv::RegisterUnoAutomation();
    kv::CPptAutomation show(host, (Decks() / "actions.pptx").string(), 3, 0, 800, 600);
    host.automation = &show;
    show.Initialise(&host.window.Loop());
    ASSERT_EQ(show.RunSlideShow(), kv::S_OK) << show.LastError();
    host.window.Loop().RunUntil([] { return false; }, 500);
    // The shape covers the slide; its text, the hyperlink, sits at its top left.
    for (const char* at : {"400 300", "60 40"}) {
        const std::string click = "xdotool mousemove " + std::string(at) + " click 1 2>&1";
        EXPECT_EQ(kvtest::ShellOutput(click), "") << click;
        host.window.Loop().RunUntil([] { return false; }, 1000);
    }
    EXPECT_TRUE(traces.Contains(", 2 actions removed")) << "the deck's action and hyperlink were left as they were";
    EXPECT_FALSE(fs::exists(Outside() / "program-ran"));
    show.m_bPowerPointWasRunning = 0;
    show.DoCleanup();
    kv::CRecorder::ReleaseInstance();
}

// The office of a run starts closed: in namespaces of its own (no network,
// the machine's folders emptied) and with its profile saying, before it ever
// opens a deck, that macros never run and links are not fetched.
TEST_F(HostileDecks, TheOfficeStartsInItsRoomWithMacrosAndLinksOff) {
    NEEDS_CLOSED_ROOMS();
    namespace uno = kv::uno;
    kvtest::XvfbServer xvfb("800x600x24");
    std::string error;
    const auto office = uno::OfficeConnection::Start(&error);
    ASSERT_TRUE(office) << error;
    const std::string group = std::to_string(office->ProcessGroup());
    const auto nameSpace = [](const std::string& process, const char* kind) {
        std::error_code ignored;
        return fs::read_symlink("/proc/" + process + "/ns/" + kind, ignored).string();
    };
    EXPECT_NE(nameSpace(group, "net"), nameSpace("self", "net")) << "the office shares the machine's network";
    EXPECT_NE(nameSpace(group, "mnt"), nameSpace("self", "mnt")) << "the office sees the machine's folders";
    const std::string profile = kvtest::ReadTextFile(office->Profile() / "user" / "registrymodifications.xcu");
    std::istringstream items(uno::OfficeSettingItems(false));
    for (std::string item; std::getline(items, item);) EXPECT_NE(profile.find(item), std::string::npos) << item;
    std::map<std::string, std::string> values;
    office->Call([&] {
        const auto provider = css::configuration::theDefaultProvider::get(office->Context());
        css::beans::NamedValue node("nodepath", css::uno::Any(uno::OUString("/org.openoffice.Office.Common/Security/Scripting")));
        const css::uno::Any argument(node);
        uno::Reference<css::container::XNameAccess> scripting(
            provider->createInstanceWithArguments("com.sun.star.configuration.ConfigurationAccess",
                                                  css::uno::Sequence<css::uno::Any>(&argument, 1)),
            uno::UNO_QUERY_THROW);
        for (const char* name : {"DisableMacrosExecution", "BlockUntrustedRefererLinks"})
            values[name] = scripting->getByName(uno::OUString::createFromAscii(name)).get<bool>() ? "true" : "false";
        values["MacroSecurityLevel"] = std::to_string(scripting->getByName("MacroSecurityLevel").get<sal_Int32>());
        values["SecureURL"] = std::to_string(scripting->getByName("SecureURL").get<css::uno::Sequence<uno::OUString>>().getLength());
    });
    EXPECT_EQ(values, (std::map<std::string, std::string>{{"BlockUntrustedRefererLinks", "true"},
                                                           {"DisableMacrosExecution", "true"},
                                                           {"MacroSecurityLevel", "3"},
                                                           {"SecureURL", "0"}}));
    office->Quit();
}

}  // namespace
