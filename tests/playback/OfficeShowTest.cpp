// The office backend with a real office under a private X server: shows in
// all three modes hosted in a window of ours, the end noticed, bad input and
// a crashing office handled, and nothing left running. An office of "the
// user's", with a document open, runs throughout and must survive.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <com/sun/star/frame/XController.hpp>
#include <com/sun/star/util/XModifiable.hpp>

#include <chrono>
#include <fstream>
#include <regex>

#include "app/core/AppMessages.h"
#include "platform/automation/Apartment.h"
#include "platform/automation/OfficeProcesses.h"
#include "platform/automation/uno/OfficeFirstStart.h"
#include "platform/automation/uno/OfficeLocks.h"
#include "platform/automation/uno/UnoAutomation.h"
#include "platform/automation/uno/UnoSession.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"
#include "platform/process/ChildProcess.h"
#include "playback/AutomationHost.h"
#include "support/HostWindow.h"
#include "support/OoxmlDeck.h"
#include "playback/PptAutomation.h"
#include "recording/Recorder.h"
#include "recording/state/RecorderState.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"
#include "support/office/TestOffice.h"

using ::testing::HasSubstr;
using Clock = std::chrono::steady_clock;

namespace kv {
namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

namespace fs = std::filesystem;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The process groups of the offices the backend started, from its trace lines.
std::vector<pid_t> StartedGroups(const TraceCapture& traces) {
    std::vector<pid_t> groups;
    static const std::regex started(R"(Office started: pid (\d+))");
    for (const auto& line : traces.Lines()) {
        std::smatch match;
        if (std::regex_search(line, match, started)) groups.push_back(std::stoi(match[1]));
    }
    return groups;
}

class OfficeShowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (const char* build = std::getenv("KALVISTA_BINARY_DIR"))
            setenv("KALVISTA_OFFICE_PROFILES", (std::string(build) + "/office-profiles").c_str(), 0);
        // The automation reads its settings: from a file of the suite's own, never the user's.
        registry = new kvtest::ScopedRegistry();
        xvfb = new kvtest::XvfbServer("1280x1024x24");
        files = new kvtest::TempDir("kalvista-office");
        auto t0 = Clock::now();
        userOffice = new kvtest::TestOffice();
        std::printf("office started in %.2f s\n", Since(t0));
        using kvtest::SlideDesign;
        userOffice->MakePresentation(*files / "three.pptx", kvtest::TestOffice::ThreeColours());
        userOffice->MakePresentation(*files / "timed.ppt", kvtest::TestOffice::ThreeColours(1.0));
        std::vector<SlideDesign> twenty;
        for (int i = 0; i < 20; ++i) twenty.push_back(kvtest::TestOffice::ThreeColours()[i % 3]);
        userOffice->MakePresentation(*files / "twenty.ppsx", twenty);
        userOffice->MakePresentation(*files / "secret.odp", kvtest::TestOffice::ThreeColours(), "kalvista");
        userOffice->MakeDrawing(*files / "drawing.pptx");
        userOffice->MakePresentation(*files / "user.odp", kvtest::TestOffice::ThreeColours());
        userOffice->OpenDocument(*files / "user.odp");
        kvtest::MakeOoxmlDeck(*files / "written.ppsx", kvtest::ThreeTextSlides());
        fs::copy_file(*files / "written.ppsx", *files / "renamed.pptx");
        std::printf("presentations made in %.2f s\n", Since(t0));
        RegisterUnoAutomation();
    }
    static void TearDownTestSuite() {
        delete userOffice;
        delete files;
        delete xvfb;
        delete registry;
    }
    void SetUp() override {
        g_bSlideShowEnded = false;
        SetMessageBoxService(boxes);
    }
    void TearDown() override {
        automation.reset();
        for (pid_t group : StartedGroups(traces))
            EXPECT_TRUE(kvtest::OfficeProcessesInGroup(group).empty()) << "our office " << group << " is still running";
        EXPECT_TRUE(userOffice->StillHasOpenDocument()) << "the user's office was touched";
        SetMessageBoxService(nullptr);
        CRecorder::ReleaseInstance();
        g_bSlideShowEnded = false;
    }
    CPptAutomation& Start(int mode, float seconds, const std::string& file) {
        automation = std::make_unique<CPptAutomation>(host, (*files / file).string(), mode, seconds, kWidth, kHeight);
        host.automation = automation.get();
        automation->Initialise(&host.window.Loop());
        return *automation;
    }
    // Runs the test's loop (where the office's events arrive) for a while.
    void Pump(int ms) { host.window.Loop().RunUntil([] { return false; }, ms); }
    void PlaysToItsEndWithoutLockOrQuestion(const std::string& file);
    int Colour() const { return kvtest::ColourIndex(slideArea.PixelAt(kWidth / 2, kHeight * 2 / 3)); }
    bool Ended() const {
        auto messages = host.window.Messages();
        return std::count(messages.begin(), messages.end(), UWM_SLIDESHOWEND) > 0;
    }

    static inline kvtest::XvfbServer* xvfb = nullptr;
    static inline kvtest::TempDir* files = nullptr;
    static inline kvtest::ScopedRegistry* registry = nullptr;
    static inline kvtest::TestOffice* userOffice = nullptr;
    TraceCapture traces;
    std::shared_ptr<RecordingMessageBox> boxes = std::make_shared<RecordingMessageBox>();
    kvtest::HostWindow slideArea{kWidth, kHeight};
    kvtest::AutomationHost host{slideArea.window()};
    std::unique_ptr<CPptAutomation> automation;
};

TEST_F(OfficeShowTest, TimedShowPlaysEachSlideOnTimeInOurWindowAndItsEndArrives) {
    CPptAutomation& a = Start(2, 1.0f, "three.pptx");
    ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
    EXPECT_EQ(a.m_bPowerPointWasRunning, 1) << "the user's office counts as running";
    Pump(300);
    EXPECT_EQ(Colour(), 1) << "paused on the first slide before Play";
    // Nothing of the office's menus or toolbars: above the letterboxed slide is black.
    for (int y : {2, 20, 50}) EXPECT_EQ(kvtest::ColourIndex(slideArea.PixelAt(kWidth / 2, y)), 0) << "row " << y;
    a.SetViewState(1);  // Play
    const auto start = Clock::now();
    double firstSeen[4] = {-1, -1, -1, -1};
    double endAt = -1;
    while (Since(start) < 6 && endAt < 0) {
        Pump(20);
        const int colour = Colour();
        if (colour >= 1 && colour <= 3 && firstSeen[colour] < 0) firstSeen[colour] = Since(start);
        if (Ended()) endAt = Since(start);
    }
    EXPECT_GE(firstSeen[1], 0);
    std::printf("second slide %.3f s after Play, third %.3f s\n", firstSeen[2], firstSeen[3]);
    // The first slide has its whole time after Play, however long the
    // office took to start the show: never earlier (loaded machine: later).
    EXPECT_GE(firstSeen[2], 0.93);
    EXPECT_NEAR(firstSeen[2], 1.0, 0.5);
    EXPECT_NEAR(firstSeen[3], 2.0, 0.5);
    ASSERT_GE(endAt, 0) << "the end never arrived";
    EXPECT_LE(endAt, 3.0 + 1.5);
    EXPECT_LE(endAt - firstSeen[3], 1.0 + 1.0) << "seen more than a second after the last slide's time";
    EXPECT_TRUE(g_bSlideShowEnded);
    EXPECT_EQ(a.CurrentShowPosition(), 4) << "the closing black screen";
    a.DoCleanup();
    EXPECT_TRUE(boxes->Texts().empty());
}

TEST_F(OfficeShowTest, PresenterModeWalksTwentySlidesWithNextAndPausesThroughState) {
    CPptAutomation& a = Start(3, 0, "twenty.ppsx");
    ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
    EXPECT_EQ(a.SlideCount(), 20);
    EXPECT_EQ(a.CurrentShowPosition(), 1);
    EXPECT_EQ(a.GetSlideShowView().GetProperty(2006).ToInt(), 1) << "mode 3 runs at once";
    a.SetViewState(2);
    EXPECT_EQ(a.GetSlideShowView().GetProperty(2006).ToInt(), 2);
    a.SetViewState(1);
    EXPECT_EQ(a.GetSlideShowView().GetProperty(2006).ToInt(), 1);
    Pump(1500);
    EXPECT_EQ(a.CurrentShowPosition(), 1) << "manual advance: nothing moves on by itself";
    for (int i = 2; i <= 20; ++i) {
        a.NextSlide();
        EXPECT_EQ(a.CurrentShowPosition(), i);
    }
    Pump(300);
    EXPECT_EQ(Colour(), 20 % 3 == 0 ? 3 : 20 % 3);
    a.NextSlide();
    ASSERT_TRUE(host.window.WaitFor(UWM_SLIDESHOWEND, 3000));
    EXPECT_EQ(a.CurrentShowPosition(), 21);
    a.m_bPowerPointWasRunning = 0;  // our office quit the way the program quits one it started
    a.DoCleanup();
    EXPECT_TRUE(traces.Contains("CPptContainerDlg::DoCleanup m_pptapp.m_lpDispatch != NULL\n"));
}

// The position and the time its slide came are what the show's events told:
// asked for every recorded frame, they cost the office nothing, and an office
// that does not answer (stopped here) does not hold up whoever asks.
TEST_F(OfficeShowTest, ThePositionAndWhenItsSlideCameAreTheShowsOwnWordAndCostTheOfficeNothing) {
    CPptAutomation& a = Start(3, 0, "three.pptx");
    ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
    Pump(300);
    const auto first = a.SlideShownSince();
    ASSERT_TRUE(first.has_value());
    const auto before = Clock::now();
    a.NextSlide();
    const auto after = Clock::now();
    const auto second = a.SlideShownSince();
    ASSERT_TRUE(second.has_value());
    EXPECT_GT(*second, *first);
    EXPECT_GE(*second, before) << "the slide came before it was asked for";
    EXPECT_LE(*second, after);
    const std::vector<pid_t> groups = StartedGroups(traces);
    ASSERT_FALSE(groups.empty());
    for (pid_t group : groups) ASSERT_EQ(::kill(-group, SIGSTOP), 0);
    const auto asked = Clock::now();
    int position = 0;
    std::optional<Clock::time_point> since;
    for (int frame = 0; frame < 50; ++frame) position = a.CurrentShowPosition(), since = a.SlideShownSince();
    const double seconds = Since(asked);
    for (pid_t group : groups) ::kill(-group, SIGCONT);
    EXPECT_EQ(position, 2);
    EXPECT_EQ(since, second);
    EXPECT_LT(seconds, 0.5) << "50 frames' questions waited for the office";
    a.NextSlide();
    EXPECT_EQ(a.CurrentShowPosition(), 3);
    a.m_bPowerPointWasRunning = 0;  // our office quits as the program quits one it started
    a.DoCleanup();
}

// Real input to the office's show window (XTest through xdotool): the pointer
// over the slide area, then a click or a key there. Returns the seconds from
// the input until the end of the show reached the container, -1 if it did
// not within `limit` seconds. Meanwhile the show's position is asked every 200 ms, as
// the container does for each recorded frame (5 frames a second at least).
double SecondsFromInputToEnd(kvtest::AutomationHost& host, CPptAutomation& a, const std::vector<std::string>& action,
                             double limit = 3) {
    host.window.ClearMessages();
    std::vector<std::string> argv{"xdotool", "mousemove", std::to_string(kWidth / 2), std::to_string(kHeight / 2)};
    argv.insert(argv.end(), action.begin(), action.end());
    const auto start = Clock::now();
    kv::ChildProcess input = kv::ChildProcess::Spawn(argv, {});
    EXPECT_TRUE(input.Started());
    EXPECT_EQ(input.Wait(5000).value_or(-1), 0);
    while (Since(start) < limit) {
        if (host.window.WaitFor(UWM_SLIDESHOWEND, 200)) return Since(start);
        try {
            a.CurrentShowPosition();
        } catch (const AutomationException&) {
        }
    }
    return -1;
}

// The office ends its show by itself: Escape on a middle slide, or a key
// that moves on from the last one (to its closing screen). Either reaches
// the container as the end within a second (the show's own end after its
// last timed slide: TimedShowPlays...).
TEST_F(OfficeShowTest, TheOfficeEndingItsShowByItselfIsTheEndWithinASecond) {
    for (const auto& [action, nexts] :
         std::vector<std::pair<std::vector<std::string>, int>>{{{"key", "Escape"}, 1}, {{"key", "space"}, 2}}) {
        CPptAutomation& a = Start(3, 0, "three.pptx");
        ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
        for (int i = 0; i < nexts; ++i) a.NextSlide();
        Pump(500);
        const double seconds = SecondsFromInputToEnd(host, a, action);
        std::printf("%s on slide %d: the end arrived after %.2f s\n", action.back().c_str(), nexts + 1, seconds);
        EXPECT_GE(seconds, 0) << action.back() << ": the end of the show never arrived";
        EXPECT_LE(seconds, 1.0) << action.back();
        a.DoCleanup();
        automation.reset();
    }
}

// A kiosk show: no click (left, right, the wheel) moves it on, ends it or opens
// the show's own menu, whose open menu held the office past its quit and the
// next show's start. The next show starts as promptly as the first.
TEST_F(OfficeShowTest, AClickIntoATimedShowChangesNothingAndTheNextShowStartsPromptly) {
    for (int round = 1; round <= 2; ++round) {
        SCOPED_TRACE(round);
        const auto opened = Clock::now();
        CPptAutomation& a = Start(2, 20.0f, "three.pptx");
        ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
        std::printf("round %d: show started in %.2f s\n", round, Since(opened));
        EXPECT_LT(Since(opened), 10) << "the show start hung";
        a.SetViewState(1);
        Pump(500);
        for (const char* button : {"3", "1", "5"}) {
            EXPECT_EQ(SecondsFromInputToEnd(host, a, {"click", button}, 1.2), -1) << "a click ended the show";
            EXPECT_EQ(a.CurrentShowPosition(), 1) << "a click moved the show on (button " << button << ")";
            EXPECT_EQ(Colour(), 1) << "something covers the slide after button " << button;
        }
        const auto cleanup = Clock::now();
        a.DoCleanup();
        automation.reset();
        EXPECT_LT(Since(cleanup), 5) << "the office was held at its end";
    }
}

TEST_F(OfficeShowTest, OwnTimingsOfAnOldFormatPresentationPlayToTheEnd) {
    CPptAutomation& a = Start(1, 0, "timed.ppt");
    ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
    Pump(1500);
    EXPECT_EQ(a.CurrentShowPosition(), 1) << "paused until Play";
    a.SetViewState(1);
    EXPECT_TRUE(host.window.WaitFor(UWM_SLIDESHOWEND, 8000));
    a.DoCleanup();
}

TEST_F(OfficeShowTest, APresentationOpenInTheUsersOfficeStillPlays) {
    CPptAutomation& a = Start(3, 0, "user.odp");
    ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
    EXPECT_EQ(a.SlideCount(), 3);
    a.DoCleanup();
}

TEST_F(OfficeShowTest, BadPresentationsFailWithAReasonAndLeaveNoOffice) {
    std::ofstream(*files / "broken.pptx") << "PK\x03\x04 this is not really a presentation";
    std::ofstream(*files / "letter.ppt") << "Dear user, this is a letter.\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"absent.pptx", "does not exist"},
        {"broken.pptx", "is damaged"},
        {"secret.odp", "protected by a password"},
        {"drawing.pptx", "not a presentation"},
        {"letter.ppt", "not a presentation"},
    };
    for (const auto& [file, reason] : cases) {
        SCOPED_TRACE(file);
        boxes->Clear();
        host.steps.clear();
        const auto start = Clock::now();
        EXPECT_EQ(Start(2, 1.0f, file).RunSlideShow(), E_FAIL);
        EXPECT_LT(Since(start), 40) << "nothing may wait for a click";
        // The box keeps its own words; the reason goes beside it.
        ASSERT_EQ(boxes->Texts().size(), 1u);
        ASSERT_EQ(boxes->Details().size(), 1u);
        EXPECT_THAT(boxes->Details()[0], HasSubstr(reason));
        EXPECT_THAT(boxes->Texts()[0], HasSubstr("LibreOffice Impress")) << "the box names what plays the show here";
        EXPECT_EQ(host.steps.back(), "EndDialog 1");
        automation.reset();
    }
}

// A deck of PowerPoint's layout that opens as a show of its own (.ppsx, also
// renamed): it plays in our window to its end, the office asks nothing, and
// nothing is left beside the file.
void OfficeShowTest::PlaysToItsEndWithoutLockOrQuestion(const std::string& file) {
    CPptAutomation& a = Start(2, 1.0f, file);
    const auto opened = Clock::now();
    ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError() << (boxes->Texts().empty() ? "" : boxes->Texts()[0]);
    EXPECT_LT(Since(opened), 5);
    EXPECT_EQ(a.SlideCount(), 3);
    EXPECT_FALSE(fs::exists(uno::LockFileOf(*files / file))) << "a lock file beside the user's deck";
    a.SetViewState(1);
    EXPECT_TRUE(host.window.WaitFor(UWM_SLIDESHOWEND, 6000)) << "the show never ended";
    EXPECT_EQ(a.CurrentShowPosition(), 4);
    a.DoCleanup();
    EXPECT_TRUE(boxes->Texts().empty()) << boxes->Texts()[0];
    EXPECT_FALSE(fs::exists(uno::LockFileOf(*files / file)));
    EXPECT_FALSE(traces.Contains("Office asked"));
}

TEST_F(OfficeShowTest, ASelfRunningDeckOfAnotherWriterPlaysInOurWindow) { PlaysToItsEndWithoutLockOrQuestion("written.ppsx"); }

TEST_F(OfficeShowTest, ASelfRunningDeckRenamedToPptxPlaysInOurWindow) { PlaysToItsEndWithoutLockOrQuestion("renamed.pptx"); }

// Whatever the office asks while we wait in a call is answered harmlessly
// within about a second, and the call fails naming the question: here the
// question about saving a changed presentation that ending its view asks.
TEST_F(OfficeShowTest, AQuestionOfTheOfficeFailsTheWaitingCallWithItsText) {
    std::string error;
    auto office = uno::OfficeConnection::Start(&error, uno::Trusting());  // it opens the test's file where it lies
    ASSERT_TRUE(office) << error;
    uno::Reference<css::lang::XComponent> model;
    office->Call([&] {
        model = office->Desktop()->loadComponentFromURL(uno::ToOU("file://" + (*files / "three.pptx").string()), "_blank", 0, {});
    });
    uno::Reference<css::util::XModifiable> modifiable(model, uno::UNO_QUERY_THROW);
    const auto asked = Clock::now();
    try {
        office->Call([&] {
            modifiable->setModified(true);
            uno::Reference<css::frame::XModel>(model, uno::UNO_QUERY_THROW)->getCurrentController()->suspend(true);
        });
        ADD_FAILURE() << "the office asked nothing";
    } catch (const AutomationException& e) {
        EXPECT_THAT(e.what(), HasSubstr("the office asked: "));
        EXPECT_THAT(e.what(), HasSubstr("three"));
    }
    EXPECT_LT(Since(asked), 3);
    ASSERT_TRUE(office->Alive()) << "answered, not ended";
    bool modified = false;
    office->Call([&] { modified = modifiable->isModified(); });
    EXPECT_TRUE(modified) << "the question was cancelled, not answered with Don't Save";
    office->Call([&] { uno::Reference<css::util::XCloseable>(model, uno::UNO_QUERY_THROW)->close(true); });
    office->Quit();
}

// On a new profile the office restarts itself once; that start is made before
// ours, so the office we connect to is the one that plays (the same process
// from the start to the end of the show).
TEST_F(OfficeShowTest, AnOfficeOnANewProfileIsTheSameOfficeFromItsStartToTheShowsEnd) {
    const std::string shared = std::getenv("KALVISTA_OFFICE_PROFILES") ? std::getenv("KALVISTA_OFFICE_PROFILES") : "";
    kvtest::TempDir fresh("kalvista-profiles");
    setenv("KALVISTA_OFFICE_PROFILES", (fresh / "profiles").c_str(), 1);
    CPptAutomation& a = Start(3, 0, "three.pptx");
    const HRESULT started = a.RunSlideShow();
    setenv("KALVISTA_OFFICE_PROFILES", shared.c_str(), 1);
    ASSERT_EQ(started, S_OK) << a.LastError();
    const auto groups = StartedGroups(traces);
    ASSERT_EQ(groups.size(), 1u);
    const auto first = kvtest::OfficeProcessesInGroup(groups[0]);
    EXPECT_EQ(first.size(), 1u);
    Pump(1500);
    EXPECT_EQ(kvtest::OfficeProcessesInGroup(groups[0]), first) << "the office restarted under our connection";
    a.NextSlide();
    EXPECT_EQ(a.CurrentShowPosition(), 2);
    EXPECT_FALSE(uno::ProfileNeedsFirstStart(fresh / "profiles" / "profile-0"));
    a.DoCleanup();
    // The office ends before its profile folder goes (its last process a moment
    // after the one we started).
    automation.reset();
    const auto ended = Clock::now();
    while (!kvtest::OfficeProcessesInGroup(groups[0]).empty() && Since(ended) < 2) Pump(100);
}

// A lock file our office left (a crash, a kill) goes at the next open; one of
// someone else's office stays.
TEST_F(OfficeShowTest, OnlyStaleLockFilesOfOurOwnProfilesAreRemoved) {
    const fs::path deck = *files / "locked.pptx";
    fs::copy_file(*files / "three.pptx", deck, fs::copy_options::overwrite_existing);
    const auto write = [&](const fs::path& profile) {
        std::ofstream(uno::LockFileOf(deck)) << ",user,host,08.12.2026 05:56,file://" << profile.string() << ";";
    };
    write(fs::path("/home/someone/.config/libreoffice/4"));
    EXPECT_FALSE(uno::RemoveLockOfOurs(deck, {}));
    EXPECT_TRUE(fs::exists(uno::LockFileOf(deck)));
    write(uno::OfficeProfileFolder() / "profile-31");
    CPptAutomation& a = Start(3, 0, "locked.pptx");
    ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
    EXPECT_FALSE(fs::exists(uno::LockFileOf(deck))) << "our stale lock file is still there";
    a.DoCleanup();
}

// Decks that cannot play fail within seconds, each with its reason.
TEST_F(OfficeShowTest, DecksThatCannotPlayFailWithTheirReasonWithinSeconds) {
    std::ofstream(*files / "zero.pptx").close();
    fs::create_directories(*files / "folder.pptx");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"zero.pptx", "is an empty file"},
        {"folder.pptx", "is a folder"},
    };
    for (const auto& [file, reason] : cases) {
        SCOPED_TRACE(file);
        boxes->Clear();
        const auto start = Clock::now();
        EXPECT_EQ(Start(2, 1.0f, file).RunSlideShow(), E_FAIL);
        EXPECT_LT(Since(start), 5);
        ASSERT_EQ(boxes->Texts().size(), 1u);
        ASSERT_EQ(boxes->Details().size(), 1u);
        EXPECT_THAT(boxes->Details()[0], HasSubstr(reason));
        EXPECT_FALSE(fs::exists(uno::LockFileOf(*files / file)));
        automation.reset();
    }
}

TEST_F(OfficeShowTest, MissingOfficeFailsQuickly) {
    setenv("KALVISTA_SOFFICE", "/nonexistent/soffice", 1);
    const auto start = Clock::now();
    EXPECT_EQ(Start(2, 1.0f, "three.pptx").RunSlideShow(), E_FAIL);
    unsetenv("KALVISTA_SOFFICE");
    EXPECT_LT(Since(start), 5);
    ASSERT_EQ(boxes->Texts().size(), 1u);
    ASSERT_EQ(boxes->Details().size(), 1u);
    EXPECT_THAT(boxes->Details()[0], HasSubstr("could not be started"));
}

TEST_F(OfficeShowTest, OfficeCrashingMidShowEndsTheShowAndLeavesNothing) {
    CPptAutomation& a = Start(3, 0, "three.pptx");
    ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError() << (boxes->Texts().empty() ? "" : boxes->Texts()[0]);
    auto groups = StartedGroups(traces);
    ASSERT_EQ(groups.size(), 1u);
    auto offices = kvtest::OfficeProcessesInGroup(groups[0]);
    ASSERT_EQ(offices.size(), 1u);
    ASSERT_EQ(::kill(offices[0], SIGKILL), 0);
    EXPECT_TRUE(host.window.WaitFor(UWM_SLIDESHOWEND, 10000)) << "a crash must count as the end";
    EXPECT_THROW(a.CurrentShowPosition(), AutomationException);
    EXPECT_THROW(a.NextSlide(), AutomationException);
    const auto start = Clock::now();
    a.DoCleanup();
    EXPECT_LT(Since(start), 10);
}

}  // namespace
}  // namespace kv
