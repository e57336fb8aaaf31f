// The container's automation steps against the scripted office: what is
// called in which order for each capture mode, how failures end, and what
// clean-up releases, closes and quits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "platform/automation/Apartment.h"
#include "platform/automation/AutomationServers.h"
#include "platform/automation/ScriptedOffice.h"
#include "platform/core/MessageBox.h"
#include "platform/core/Trace.h"
#include "playback/AutomationHost.h"
#include "playback/AutomationMembers.h"
#include "recording/Recorder.h"
#include "recording/state/RecorderState.h"
#include "support/TempDir.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

namespace kv {
namespace {

const std::string kPath = "/shows/Quarterly Review.pptx";

class PptAutomationTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_bSlideShowEnded = false;
        office->AddPresentation(kPath, 3);
        office->Register();
        SetMessageBoxService(boxes);
    }
    void TearDown() override {
        automation.reset();
        UnregisterAutomationServer("Powerpoint.Application");
        SetMessageBoxService(nullptr);
        g_bSlideShowEnded = false;
        CRecorder::ReleaseInstance();
        EXPECT_EQ(office->LiveObjects(), 0) << "an office object outlived its holder";
        EXPECT_EQ(office->SinkCount(), 0u);
    }
    CPptAutomation& Make(int mode, float seconds = 5, const std::string& path = kPath) {
        automation = std::make_unique<CPptAutomation>(host, path, mode, seconds, 800, 600);
        host.automation = automation.get();
        automation->Initialise(&host.window.Loop());
        automation->m_bPowerPointWasRunning = 0;  // whatever the machine runs, this office is ours
        return *automation;
    }
    std::vector<std::string> CallsFrom(const std::string& first) const {
        auto calls = office->Calls();
        auto it = std::find(calls.begin(), calls.end(), first);
        return {it, calls.end()};
    }

    kvtest::ScopedRegistry registry;
    std::shared_ptr<ScriptedOffice> office = ScriptedOffice::Create();
    std::shared_ptr<RecordingMessageBox> boxes = std::make_shared<RecordingMessageBox>();
    kvtest::AutomationHost host{0x2a00007};
    std::unique_ptr<CPptAutomation> automation;
};

TEST_F(PptAutomationTest, TimedModeSetsEverySlideThenStartsPausedInTheSlideArea) {
    TraceCapture traces;
    CPptAutomation& a = Make(2, 5.0f);
    ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
    EXPECT_THAT(CallsFrom("CreateDispatch"),
                ElementsAre("CreateDispatch", "Application.Visible=1", "Application.WindowState=2", "QueryInterface",
                            "FindConnectionPoint", "Advise", "Application.Presentations",
                            "Application.ShowHostWindow=44040199", "Application.ShowHostWidth=800",
                            "Application.ShowHostHeight=600", "Presentations.Open(" + kPath + ",0,-1,0)",
                            "Presentation.SlideShowSettings", "SlideShowSettings.RangeType=1",
                            "SlideShowSettings.ShowType=3", "Presentation.Slides", "Slides.Count", "Slides.Item(1)",
                            "Slide.SlideShowTransition", "SlideShowTransition.AdvanceOnTime=1",
                            "SlideShowTransition.AdvanceTime=5", "Slides.Item(2)", "Slide.SlideShowTransition",
                            "SlideShowTransition.AdvanceOnTime=1", "SlideShowTransition.AdvanceTime=5",
                            "Slides.Item(3)", "Slide.SlideShowTransition", "SlideShowTransition.AdvanceOnTime=1",
                            "SlideShowTransition.AdvanceTime=5", "SlideShowSettings.Run", "SlideShowWindow.View",
                            "SlideShowView.State=2", "SlideShowSettings.Run"));
    ScriptedPresentation p = office->Presentation(kPath);
    for (const ScriptedSlide& slide : p.slides) {
        EXPECT_EQ(slide.advanceOnTime, 1);
        EXPECT_FLOAT_EQ(slide.advanceTime, 5.0f);
        EXPECT_EQ(slide.advanceOnClick, -1);
    }
    EXPECT_EQ(p.advanceMode, 1) << "mode 2 leaves the presentation's advance mode alone";
    EXPECT_EQ(office->ViewState(), 2);
    EXPECT_TRUE(a.m_bStartedCompletely);
    EXPECT_THAT(host.steps, ElementsAre("Position"));
    EXPECT_TRUE(traces.Contains("Powerpoint.Application"));
    EXPECT_TRUE(traces.Contains("After CreateDispatch"));
    EXPECT_TRUE(traces.Contains("CPptContainerDlg::RunSlideShow -- m_bStartedCompletely = true"));
}

TEST_F(PptAutomationTest, OwnTimingsTouchNoSlideAndPresenterModeRunsAtOnce) {
    ASSERT_EQ(Make(1).RunSlideShow(), S_OK) << automation->LastError();
    EXPECT_FALSE(office->Called("Presentation.Slides"));
    EXPECT_EQ(office->Presentation(kPath).advanceMode, 2);
    EXPECT_EQ(office->ViewState(), 2);
    EXPECT_EQ(office->RunCount(), 2);
    automation->DoCleanup();

    office->ClearCalls();
    ASSERT_EQ(Make(3).RunSlideShow(), S_OK) << automation->LastError();
    EXPECT_FALSE(office->Called("Presentation.Slides")) << "no transitions change without the add-in";
    EXPECT_TRUE(office->Called("SlideShowSettings.AdvanceMode=1"));
    EXPECT_FALSE(office->Called("SlideShowView.State=2"));
    EXPECT_EQ(office->ViewState(), 1);
}

TEST_F(PptAutomationTest, ContainerControlsReachTheView) {
    CPptAutomation& a = Make(3);
    ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
    EXPECT_EQ(a.SlideCount(), 3);
    EXPECT_EQ(a.CurrentShowPosition(), 1);
    for (int i = 0; i < 3; ++i) a.NextSlide();
    EXPECT_EQ(a.CurrentShowPosition(), 4) << "the closing black screen is count + 1";
    a.SetViewState(2);
    EXPECT_EQ(office->ViewState(), 2);
    a.ActivateSlideShowWindow();
    EXPECT_TRUE(office->Called("SlideShowWindow.Activate"));
}

TEST_F(PptAutomationTest, VersionedProgIdIsUsedWhenRegistered) {
    office->Register("Powerpoint.Application", "Powerpoint.Application.12");
    TraceCapture traces;
    std::string progId = "stale";
    EXPECT_TRUE(CPptAutomation::GetDefaultPowerpointProgID(progId));
    EXPECT_EQ(progId, "Powerpoint.Application.12");
    ASSERT_EQ(Make(2).RunSlideShow(), S_OK) << automation->LastError();
    EXPECT_TRUE(traces.Contains("Powerpoint.Application.12"));
    UnregisterAutomationServer("Powerpoint.Application");
    EXPECT_FALSE(CPptAutomation::GetDefaultPowerpointProgID(progId));
    EXPECT_EQ(progId, "");
    EXPECT_TRUE(traces.Contains("CPptContainerDlg::GetDefaultPowerpointProgID, RegOpenKey failed "));

    // Known, but without a versioned name: the value cannot be read.
    office->Register("Powerpoint.Application");
    TraceCapture unversioned;
    EXPECT_FALSE(CPptAutomation::GetDefaultPowerpointProgID(progId));
    EXPECT_TRUE(unversioned.Contains("CPptContainerDlg::GetDefaultPowerpointProgID, RegQueryValue failed "));
    EXPECT_FALSE(unversioned.Contains("CPptContainerDlg::GetDefaultPowerpointProgID, RegOpenKey failed "));
    EXPECT_TRUE(unversioned.Contains("Last Error : 2\n"));
}

TEST_F(PptAutomationTest, CleanUpReleasesInOrderClosesAndQuitsOnlyWhatWeStarted) {
    CPptAutomation& a = Make(2);
    ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
    TraceCapture traces;
    office->ClearCalls();
    a.DoCleanup();
    EXPECT_THAT(office->Calls(), ElementsAre("Presentation.Close", "Application.Quit"));
    EXPECT_THAT(traces.Lines(), ElementsAre("CPptContainerDlg::DoCleanup Start\n",
                                            "CPptContainerDlg::DoCleanup m_pIConnectionPoint != NULL\n",
                                            "CPptContainerDlg::DoCleanup m_pEventSink != NULL\n",
                                            "CPptContainerDlg::DoCleanup m_pptSlideShowWindow.m_lpDispatch != NULL\n",
                                            "CPptContainerDlg::DoCleanup m_slideshow.m_lpDispatch != NULL\n",
                                            "CPptContainerDlg::DoCleanup m_pptpresentation.m_lpDispatch != NULL\n",
                                            "CPptContainerDlg::DoCleanup m_pptapp.m_lpDispatch != NULL\n"));
    EXPECT_TRUE(a.m_pptapp.IsEmpty() && a.m_pptpresentation.IsEmpty() && a.m_slideshow.IsEmpty() &&
                a.m_pptSlideShowWindow.IsEmpty() && a.m_pEventSink == nullptr && !a.m_pIConnectionPoint);
    EXPECT_THAT(host.steps, ElementsAre("Position", "ShowTaskbar"));

    // An office that ran before us is never quit; an ended show is not closed.
    office->ClearCalls();
    CPptAutomation& b = Make(2);
    ASSERT_EQ(b.RunSlideShow(), S_OK) << b.LastError();
    b.m_bPowerPointWasRunning = 1;
    g_bSlideShowEnded = true;
    office->ClearCalls();
    b.DoCleanup();
    EXPECT_TRUE(office->Calls().empty());
}

TEST_F(PptAutomationTest, CleanUpBeforeAnyStartDoesNothingMore) {
    TraceCapture traces;
    Make(2).DoCleanup();
    EXPECT_TRUE(traces.Contains("You haven't started the server yet."));
    EXPECT_FALSE(traces.Contains("CPptContainerDlg::DoCleanup m_pptapp.m_lpDispatch != NULL\n"));
}

TEST_F(PptAutomationTest, FailingCleanUpEndsOnlyAnOfficeThatWasNotRunning) {
    for (int wasRunning : {0, 1}) {
        CPptAutomation& a = Make(2);
        ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
        a.m_bPowerPointWasRunning = wasRunning;
        office->FailOn("Presentation.Close", RPC_E_DISCONNECTED);
        TraceCapture traces;
        a.DoCleanup();
        EXPECT_EQ(traces.Contains("Exception in DoCleanup()with Powerpoint Not Running Already"), wasRunning == 0);
        EXPECT_EQ(traces.Contains("In KillPowerPoint()"), wasRunning == 0);
        EXPECT_EQ(traces.Contains("Exception in DoCleanup()- Powerpoint Running Already"), wasRunning == 1);
        office->FailOn("Presentation.Close", S_OK);
    }
}

// The office crashing or hanging while the show starts gets one new office;
// a second failure, or a failure of the document, is the answer.
TEST_F(PptAutomationTest, AnOfficeThatFailsWhileTheShowStartsIsReplacedOnce) {
    for (HRESULT hr : {RPC_E_DISCONNECTED, RPC_E_TIMEOUT}) {
        SCOPED_TRACE(hr);
        office->FailOnce("SlideShowSettings.Run", hr);
        office->ClearCalls();
        TraceCapture traces;
        CPptAutomation& a = Make(2);
        ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
        EXPECT_TRUE(traces.Contains("starting a new office"));
        const auto calls = office->Calls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "CreateDispatch"), 2);
        EXPECT_TRUE(boxes->Texts().empty());
        EXPECT_TRUE(a.m_bStartedCompletely);
        a.DoCleanup();
    }
    for (auto [member, hr, attempts] : std::vector<std::tuple<const char*, HRESULT, int>>{
             {"SlideShowSettings.Run", RPC_E_DISCONNECTED, 2}, {"Presentations.Open", E_FAIL, 1}}) {
        SCOPED_TRACE(member);
        office = ScriptedOffice::Create();
        office->AddPresentation(kPath, 3);
        office->Register();
        office->FailOn(member, hr);
        boxes->Clear();
        CPptAutomation& a = Make(2);
        EXPECT_EQ(a.RunSlideShow(), E_FAIL);
        const auto calls = office->Calls();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "CreateDispatch"), attempts);
        EXPECT_EQ(boxes->Texts().size(), 1u);
    }
}

struct FailureCase {
    const char* name;
    std::function<void(ScriptedOffice&)> arrange;
    const char* trace;
    const char* path;
};

TEST_F(PptAutomationTest, EveryFailedStepStopsCleansUpAndTellsTheUser) {
    const std::string ppt = "/shows/old.ppt";
    office->AddPresentation(ppt, 2);
    const std::vector<FailureCase> cases = {
        {"create", [](ScriptedOffice& o) { o.FailCreate(CO_E_SERVER_EXEC_FAILURE); },
         "CPptContainerDlg::RunSlideShow : Failed in CreateDispatch Function.", "/shows/Quarterly Review.pptx"},
        {"events", [](ScriptedOffice& o) { o.FailConnection("QueryInterface", E_NOINTERFACE); },
         "CPptContainerDlg::RunSlideShow Failed To Get server's (PowerPoint) IConnectionPointContainer interface. Hr = 0x80004002 ",
         "/shows/old.ppt"},
        {"connection point", [](ScriptedOffice& o) { o.FailConnection("FindConnectionPoint", E_FAIL); },
         "CPptContainerDlg::RunSlideShow Failed To Find connection point for events we're interested in. Hr = 0x80004005 ",
         "/shows/old.ppt"},
        {"advise", [](ScriptedOffice& o) { o.FailConnection("Advise", CONNECT_E_CANNOTCONNECT); },
         "CPptContainerDlg::RunSlideShow Failed To Setup advisory connection!. Hr = 0x80040202 ", "/shows/old.ppt"},
        {"presentations", [](ScriptedOffice& o) { o.AnswerEmpty("Application.Presentations"); },
         "CPptContainerDlg::presentations.m_lpDispatch = NULL", "/shows/old.ppt"},
        {"missing file", [](ScriptedOffice&) {}, "Caught exception in CPptContainerDlg::RunSlideShow",
         "/shows/missing.ppsx"},
        {"settings", [](ScriptedOffice& o) { o.AnswerEmpty("Presentation.SlideShowSettings"); },
         "CPptContainerDlg::m_pptpresentation.m_lpDispatch = NULL", "/shows/old.ppt"},
        {"run", [](ScriptedOffice& o) { o.AnswerEmpty("SlideShowSettings.Run"); },
         "CPptContainerDlg::m_pptSlideShowWindow.m_lpDispatch = NULL", "/shows/old.ppt"},
        {"view", [](ScriptedOffice& o) { o.AnswerEmpty("SlideShowWindow.View"); },
         "CPptContainerDlg::SlideShowView.m_lpDispatch = NULL", "/shows/old.ppt"},
        {"pause", [](ScriptedOffice& o) { o.FailOn("SlideShowView.State=", E_FAIL); },
         "Caught exception in CPptContainerDlg::RunSlideShow", "/shows/old.ppt"},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto scripted = ScriptedOffice::Create();
        office = scripted;
        office->AddPresentation(kPath, 3);
        office->AddPresentation(ppt, 2);
        office->Register();
        c.arrange(*office);
        host.steps.clear();
        boxes->Clear();
        TraceCapture traces;
        CPptAutomation& a = Make(2, 5, c.path);
        EXPECT_EQ(a.RunSlideShow(), E_FAIL);
        EXPECT_TRUE(traces.Contains(c.trace));
        EXPECT_TRUE(traces.Contains("Caught exception in CPptContainerDlg::RunSlideShow"));
        EXPECT_FALSE(a.m_bStartedCompletely);
        ASSERT_EQ(boxes->Texts().size(), 1u);
        // What runs the show here, whatever the deck's format.
        EXPECT_EQ(boxes->Texts()[0],
                  "Unable to run the slide show. Please make sure that LibreOffice Impress is installed.");
        // The office's reason goes to the trace and the detail channel, not into the box.
        ASSERT_EQ(boxes->Details().size(), 1u);
        EXPECT_EQ(boxes->Details()[0], a.LastError());
        EXPECT_TRUE(traces.Contains("CPptContainerDlg::RunSlideShow : " + a.LastError()));
        EXPECT_THAT(host.steps.front(), "Stop");
        EXPECT_EQ(host.steps.back(), "EndDialog 1");
        EXPECT_TRUE(a.m_pptapp.IsEmpty());
        if (std::string(c.name) != "create") {
            EXPECT_TRUE(office->Quit()) << "the office we started is quit";
        }
        automation.reset();
        EXPECT_EQ(office->LiveObjects(), 0);
        EXPECT_EQ(office->SinkCount(), 0u);
    }
}

TEST_F(PptAutomationTest, FailureGivesTheReasonBesideTheMessage) {
    TraceCapture traces;
    ASSERT_EQ(Make(2, 5, "/shows/gone.pptx").RunSlideShow(), E_FAIL);
    ASSERT_EQ(boxes->Texts().size(), 1u);
    EXPECT_THAT(boxes->Texts()[0], Not(HasSubstr("gone.pptx"))) << "the box keeps its own words";
    ASSERT_EQ(boxes->Details().size(), 1u);
    EXPECT_THAT(boxes->Details()[0], HasSubstr("cannot open /shows/gone.pptx"));
    EXPECT_TRUE(traces.Contains("cannot open /shows/gone.pptx"));
    EXPECT_THAT(automation->LastError(), HasSubstr("cannot open /shows/gone.pptx"));
}

TEST_F(PptAutomationTest, ShowEndFromAnotherThreadReachesTheContainerOnItsOwnThread) {
    CPptAutomation& a = Make(2);
    ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
    std::thread([&] { office->EndShow(); }).join();
    EXPECT_FALSE(g_bSlideShowEnded) << "the sink runs only on the apartment's loop";
    ASSERT_TRUE(host.window.WaitFor(UWM_SLIDESHOWEND, 2000));
    EXPECT_TRUE(g_bSlideShowEnded);
    office->ClearCalls();
    a.DoCleanup();
    EXPECT_FALSE(office->Called("Presentation.Close")) << "an ended show is released without closing";
    EXPECT_TRUE(office->Called("Application.Quit"));
}

TEST_F(PptAutomationTest, AddInModeRunsTheMenuCommandAndHostsNothing) {
    settings::SupportPowerPlugs.Set(1);
    int executed = 0;
    office->menuBar = {{"&File", 30002, {{"&Open...", 23}}},
                       {"sli&de show", 30017, {{"&Rehearse Timings", 2}, {"&PowerPlugs: View Show with Effects", 9, {}, [&] { ++executed; }}}}};
    CPptAutomation& a = Make(3);
    ASSERT_EQ(a.RunSlideShow(), S_OK) << a.LastError();
    EXPECT_EQ(executed, 1);
    EXPECT_TRUE(a.m_pptSlideShowWindow.IsEmpty());
    EXPECT_TRUE(office->Called("Presentations.Open(" + kPath + ",0,-1,-1)"));
    EXPECT_FALSE(office->Called("Application.WindowState=2"));
    EXPECT_FALSE(office->Called("SlideShowSettings.RangeType=1"));
    EXPECT_EQ(office->Presentation(kPath).slides[0].advanceOnTime, 0);
    EXPECT_EQ(office->Presentation(kPath).slides[0].advanceOnClick, 1);
    EXPECT_THAT(host.steps, ElementsAre("HideContainer"));
    a.DoCleanup();

    office->menuBar = {{"Sli&de Show", 30017, {{"&Rehearse Timings", 2}}}};
    host.steps.clear();
    EXPECT_EQ(Make(3).RunSlideShow(), E_FAIL) << "without the add-in's command nothing would start the show";
    EXPECT_EQ(executed, 1);
}

TEST_F(PptAutomationTest, AddInModeWithoutCommandBarsShowsTheLookupError) {
    settings::SupportPowerPlugs.Set(1);
    UnregisterAutomationServer("Powerpoint.Application");
    // An application that answers no names at all, as the real office does.
    RegisterAutomationServer("Powerpoint.Application", [](DispatchPtr* object) {
        DispatchPtr inner;
        HRESULT hr = CreateDispatch("Scripted.Inner", &inner);
        struct NoNames : DispatchObject {
            DispatchPtr inner;
            Variant Invoke(DISPID id, WORD flags, const std::vector<Variant>& args) override {
                return inner->Invoke(id, flags, args);
            }
            HRESULT QueryConnectionPointContainer(ConnectionPointContainerPtr* c) override {
                return inner->QueryConnectionPointContainer(c);
            }
        };
        auto wrapper = std::make_shared<NoNames>();
        wrapper->inner = inner;
        *object = wrapper;
        return hr;
    });
    office->Register("Scripted.Inner");
    EXPECT_EQ(Make(3).RunSlideShow(), E_FAIL);
    ASSERT_EQ(boxes->Texts().size(), 2u);
    EXPECT_EQ(boxes->Texts()[0], "Failed to GetIDsOfNames() :(... Error = 80020006");
    UnregisterAutomationServer("Scripted.Inner");
}

}  // namespace
}  // namespace kv
