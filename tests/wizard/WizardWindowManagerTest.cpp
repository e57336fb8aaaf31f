// The wizard as a user meets it under a window manager (openbox, on a
// 1366x768 screen of the test's own): lists open under their box on a fresh
// start, the file picker opens centred on the wizard in the last folder,
// every failure before the recording leaves the user in the wizard with every
// choice, a recording ends the program with the video's place (and its size
// note only when the size chosen was cut), and the real office shows the
// first slide before Play. The wizard runs as the program runs it, until it
// closes; the pointer and the keys come from xdotool.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QScreen>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "QtTestApp.h"
#include "WizardFixture.h"
#include "app/core/SettingsCatalogue.h"
#include "conversion/dialog/WaitDlg.h"
#include "platform/automation/AutomationServers.h"
#include "platform/automation/ScriptedOffice.h"
#include "platform/automation/uno/UnoAutomation.h"
#include "platform/process/ChildProcess.h"
#include "platform/x11/ScreenGrabber.h"
#include "playback/container/PptContainerDlg.h"
#include "playback/container/PptContainerRunner.h"
#include "recording/state/RecorderState.h"
#include "support/Openbox.h"
#include "support/SmallDisk.h"
#include "support/Xvfb.h"

// Last: Xlib's macros would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace kvtest {
namespace {

namespace fs = std::filesystem;
using namespace kv::wizard;
using Clock = std::chrono::steady_clock;

bool Pump(const std::function<bool()>& done, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

void Settle(int ms) { Pump([] { return false; }, ms); }

// Where the X server has a window, whatever Qt believes.
QRect OnScreen(const QWidget& widget) {
    kv::ScreenRect rect;
    if (!kv::GetWindowRectOnRoot(static_cast<unsigned long>(widget.winId()), rect)) return {};
    return {rect.left, rect.top, rect.width, rect.height};
}

// A control's place on the screen: its window's, as the X server has it, plus its place in the window.
QRect ControlOnScreen(const QWidget& control) {
    const QRect window = OnScreen(*control.window());
    return QRect(window.topLeft() + control.mapTo(control.window(), QPoint(0, 0)), control.size());
}

void Xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> command{"xdotool"};
    command.insert(command.end(), args.begin(), args.end());
    kv::ChildProcess run = kv::ChildProcess::Spawn(command, {});
    ASSERT_TRUE(run.Started()) << "xdotool is not installed";
    EXPECT_EQ(run.Wait(5000).value_or(-1), 0);
}

void ClickAt(QPoint point) { Xdotool({"mousemove", std::to_string(point.x()), std::to_string(point.y()), "click", "1"}); }

// What the user does, one step after another, while the wizard runs as the
// program runs it: each step is polled until it says it is done. A step that
// opens a modal window (Convert, Stop) is started queued, so the steps go on
// inside its loop.
class User : public QObject {
public:
    struct Step {
        std::string what;
        std::function<bool()> poll;
    };
    void Then(std::string what, std::function<bool()> poll) { m_steps.push_back({std::move(what), std::move(poll)}); }
    // A step that acts once, queued, and is done at once.
    void Do(std::string what, std::function<void()> act) {
        Then(std::move(what), [act] {
            QTimer::singleShot(0, act);
            return true;
        });
    }
    // Ends what the user could not go on with (closes the wizard), so the case ends.
    void Start(std::function<void()> giveUp) {
        m_giveUp = std::move(giveUp);
        connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
        m_timer.start(30);
        m_since = Clock::now();
    }
    bool Done() const { return m_steps.empty(); }
    // The step the user waited for in vain, if any.
    const std::string& Stuck() const { return m_stuck; }

private:
    void Poll() {
        if (m_steps.empty() || !m_stuck.empty()) return;
        if (Clock::now() - m_since > std::chrono::seconds(30)) {
            m_stuck = m_steps.front().what;
            m_timer.stop();
            // Whatever modal window waits closes first, then the wizard.
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* dialog = dynamic_cast<QDialog*>(widget); dialog && dialog->isVisible()) dialog->done(0);
            if (m_giveUp) m_giveUp();
            return;
        }
        if (!m_steps.front().poll()) return;
        std::fprintf(stderr, "user: %s\n", m_steps.front().what.c_str());
        m_steps.pop_front();
        m_since = Clock::now();
    }
    std::deque<Step> m_steps;
    QTimer m_timer;
    Clock::time_point m_since;
    std::string m_stuck;
    std::function<void()> m_giveUp;
};

// The container on screen, if one is.
kv::CPptContainerDlg* ShownContainer() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* c = dynamic_cast<kv::CPptContainerDlg*>(widget); c && c->isVisible()) return c;
    return nullptr;
}

// Play, once the show is up; a couple of seconds' recording; Stop (the
// scripted office's show runs until stopped); Finish once the video is made,
// with the conversion dialog's last text in `doneText`.
void RecordAWhile(User& user, QString& doneText) {
    user.Then("Play once the show is up", [] {
        kv::CPptContainerDlg* shown = ShownContainer();
        if (!shown || !shown->Automation().m_bStartedCompletely) return false;
        shown->Automation().m_bPowerPointWasRunning = 0;  // the scripted office is ours to quit
        QTimer::singleShot(0, [shown] { shown->OnClickedBtnPlay(); });
        return true;
    });
    auto since = std::make_shared<Clock::time_point>();
    user.Then("record a while", [since] {
        if (*since == Clock::time_point{}) *since = Clock::now();
        return Clock::now() - *since > std::chrono::seconds(2);
    });
    user.Then("Stop", [] {
        kv::CPptContainerDlg* shown = ShownContainer();
        if (!shown) return false;
        QTimer::singleShot(0, [shown] { shown->OnClickedBtnStop(); });
        return true;
    });
    user.Then("Finish once the video is made", [&doneText] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* wait = dynamic_cast<kv::CWaitDlg*>(widget);
            if (!wait || !wait->IsDone() || !wait->FinishButton().isVisible()) continue;
            doneText = wait->DoneText();
            QTimer::singleShot(0, [wait] { wait->FinishButton().click(); });
            return true;
        }
        return false;
    });
}

class WizardWindowManagerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_xvfb = new XvfbServer("1366x768x24");
        s_wm = new OpenboxSession();
        ASSERT_EQ(s_wm->Problem(), "");
        s_display = XOpenDisplay(nullptr);
        ASSERT_NE(s_display, nullptr);
        TestApp("xcb");
        ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    }
    static void TearDownTestSuite() {
        if (s_display) XCloseDisplay(s_display);
        delete s_wm;
        delete s_xvfb;
    }
    void SetUp() override {
        kv::g_bSlideShowEnded = false;
        kv::g_bRecorderThreadEnded = 0;
        kv::g_bRecorderError = false;
        kv::g_hPositionedEvent.store(nullptr);
    }
    void TearDown() override {
        m_wizard.reset();
        kv::UnregisterAutomationServer("Powerpoint.Application");
    }

    // A fresh start: a new wizard, shown and framed by the window manager.
    kv::CTransparentDialogDlg& FreshWizard(kv::ContainerRunner& runner, kv::WizardShell& picker) {
        m_wizard.reset();
        m_wizard = std::make_unique<kv::CTransparentDialogDlg>(runner, picker, sources);
        m_wizard->show();
        EXPECT_TRUE(Pump([&] { return OnScreen(*m_wizard).width() == m_wizard->width(); }, 5000));
        Settle(300);
        return *m_wizard;
    }
    kv::CTransparentDialogDlg& W() { return *m_wizard; }
    kv::CColoredCombo* Combo(int id) { return W().Controls().Combo(id); }
    void Choose(int comboId, const char* text) {
        const int index = Combo(comboId)->findText(text);
        ASSERT_GE(index, 0) << text;
        Combo(comboId)->setCurrentIndex(index);
        emit Combo(comboId)->activated(index);
    }
    // The visible wizard with the choices of KeepChoices() still made.
    void ExpectChoicesKept(const std::string& presentation) {
        EXPECT_TRUE(W().isVisible()) << "back in the wizard";
        EXPECT_EQ(W().State().presentationPath, presentation);
        EXPECT_EQ(Combo(IDC_OUTPUT_FORMAT)->currentText(), "MP4");
        EXPECT_EQ(Combo(IDC_FRAME_RATE)->currentText(), "10 FPS");
        EXPECT_EQ(Combo(IDC_SLIDE_TIME)->currentText(), "2 seconds");
    }
    void MakeChoices() {
        W().OnSkinHover(IDC_TAB_VIDEO);
        Choose(IDC_OUTPUT_FORMAT, "MP4");
        Choose(IDC_FRAME_RATE, "10 FPS");
        W().OnSkinHover(IDC_TAB_CONVERTER);
        Choose(IDC_SLIDE_TIME, "2 seconds");
    }
    std::string Presentation(const std::string& name) {
        const fs::path path = folder.path() / name;
        WritePackageStart(path);
        return path.string();
    }

    inline static XvfbServer* s_xvfb = nullptr;
    inline static OpenboxSession* s_wm = nullptr;
    inline static Display* s_display = nullptr;
    ScopedRegistry registry;
    ScopedMessageBoxes boxes;
    TempDir folder;
    ScriptedShell shell;
    FakeSources sources;
    std::unique_ptr<kv::CTransparentDialogDlg> m_wizard;
};

// Every list opens under its box (not over it, its chosen entry on the box),
// on a wizard shown anew.
TEST_F(WizardWindowManagerTest, EveryListOpensUnderItsBox) {
    RecordingContainer runner;
    const std::pair<int, int> lists[] = {{IDC_TAB_VIDEO, IDC_OUTPUT_FORMAT}, {IDC_TAB_AUDIO, IDC_AUDIO_DEVICE},
                                         {IDC_TAB_VIDEO, IDC_VIDEO_CODEC},   {IDC_TAB_CONVERTER, IDC_SLIDE_TIME},
                                         {IDC_TAB_AUDIO, IDC_AUDIO_QUALITY}, {IDC_TAB_VIDEO, IDC_RESOLUTION}};
    for (auto [tab, list] : lists) {
        SCOPED_TRACE("list " + std::to_string(list));
        FreshWizard(runner, shell).OnSkinHover(tab);
        Settle(100);
        const QRect box = ControlOnScreen(*Combo(list));
        ASSERT_FALSE(box.isEmpty());
        ClickAt(box.topRight() + QPoint(-8, box.height() / 2));
        ASSERT_TRUE(Pump([] { return QApplication::activePopupWidget() != nullptr; }, 3000)) << "no list opened";
        Settle(150);
        const QRect popup = OnScreen(*QApplication::activePopupWidget());
        EXPECT_NEAR(popup.left(), box.left(), 2) << "box at " << box.left() << "," << box.top();
        EXPECT_GE(popup.top(), box.bottom() - 2);
        EXPECT_LE(popup.top(), box.bottom() + 4);
        EXPECT_GE(popup.width(), box.width());
        Xdotool({"key", "Escape"});
        ASSERT_TRUE(Pump([] { return QApplication::activePopupWidget() == nullptr; }, 3000));
    }
}

// The top-level windows of process `pid` that are mapped now, with their
// place on the screen and whether they bypass the window manager (lists do).
struct ShownWindow {
    Window id;
    QRect place;
    bool popup;
};

std::vector<ShownWindow> ShownWindowsOf(Display* display, pid_t pid) {
    std::vector<ShownWindow> shown;
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    // Clients sit in the window manager's frames: look one level down too.
    std::function<void(Window, int)> visit = [&](Window window, int depth) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, window, &root, &parent, &children, &count)) return;
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable) continue;
            Atom type = None;
            int format = 0;
            unsigned long items = 0, left = 0;
            unsigned char* data = nullptr;
            XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &left,
                               &data);
            const bool ours = data && items == 1 && static_cast<pid_t>(*reinterpret_cast<long*>(data)) == pid;
            if (data) XFree(data);
            if (ours) {
                int x = 0, y = 0;
                Window child = 0;
                XTranslateCoordinates(display, children[i], DefaultRootWindow(display), 0, 0, &x, &y, &child);
                shown.push_back({children[i], QRect(x, y, attributes.width, attributes.height),
                                 attributes.override_redirect != 0});
            } else if (depth == 0) {
                visit(children[i], 1);
            }
        }
        if (children) XFree(children);
    };
    visit(DefaultRootWindow(display), 0);
    return shown;
}

// The program itself, started afresh each time (a new process's first
// window is where Qt lost the window's place): its format list opens under
// the box, where the X server has the box.
TEST_F(WizardWindowManagerTest, TheProgramStartedAfreshOpensItsFirstListUnderItsBox) {
    const char* build = std::getenv("KALVISTA_BINARY_DIR");
    const fs::path program = fs::path(build ? build : ".") / "src" / "app" / "kalvista";
    ASSERT_TRUE(fs::exists(program)) << program;
    const QRect wizardSize(0, 0, DluToPixelsX(kDialogSize.width), DluToPixelsY(kDialogSize.height));
    const PixelRect tab = ControlRect(IDC_TAB_VIDEO), list = ControlRect(IDC_OUTPUT_FORMAT);
    for (int start = 1; start <= 5; ++start) {
        SCOPED_TRACE("start " + std::to_string(start));
        kv::SpawnOptions options;
        // A lock of its own: another copy of the program on this machine (another test) must not make it a second one.
        const fs::path runtime = folder.path() / "runtime";
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all);
        options.environment = {"KALVISTA_REGISTRY=" + (folder.path() / "fresh.reg").string(),
                               "XDG_RUNTIME_DIR=" + runtime.string()};
        kv::ChildProcess kalvista = kv::ChildProcess::Spawn({program.string()}, options);
        ASSERT_TRUE(kalvista.Started());
        QRect wizard;
        ASSERT_TRUE(Pump([&] {
            for (const ShownWindow& window : ShownWindowsOf(s_display, kalvista.Pid()))
                if (!window.popup && window.place.size() == wizardSize.size()) wizard = window.place;
            return !wizard.isEmpty();
        }, 20000)) << "the wizard did not appear";
        Settle(500);
        // Over the Video tab (a button reports the pointer from its second move), then a click on the list's arrow.
        const QPoint overTab = wizard.topLeft() + QPoint(tab.x + tab.width / 2, tab.y + tab.height / 2);
        Xdotool({"mousemove", std::to_string(overTab.x()), std::to_string(overTab.y())});
        Settle(100);
        Xdotool({"mousemove", std::to_string(overTab.x() + 2), std::to_string(overTab.y() + 2)});
        Settle(300);
        const QRect box(wizard.topLeft() + QPoint(list.x, list.y), QSize(list.width, kComboFieldHeight));
        ClickAt(QPoint(box.right() - 8, box.center().y()));
        QRect popup;
        const bool opened = Pump([&] {
            for (const ShownWindow& window : ShownWindowsOf(s_display, kalvista.Pid()))
                if (window.popup && window.place.height() > 40) popup = window.place;
            return !popup.isEmpty();
        }, 5000);
        kalvista.Terminate(3000);
        ASSERT_TRUE(opened) << "no list opened";
        EXPECT_NEAR(popup.left(), box.left(), 2) << "the list at " << popup.left() << "," << popup.top() << ", its box at "
                                                 << box.left() << "," << box.top();
        EXPECT_GE(popup.top(), box.bottom() - 2);
        EXPECT_LE(popup.top(), box.bottom() + 4);
    }
}

// The presentation picker opens centred on the wizard, in the home folder at
// first and in the chosen presentation's folder after.
TEST_F(WizardWindowManagerTest, ThePickerOpensCentredOnTheWizardInTheLastFolderElseHome) {
    RecordingContainer runner;
    kv::QtWizardShell desktop;
    FreshWizard(runner, desktop).OnSkinHover(IDC_TAB_IO);
    const std::string talk = Presentation("Quarterly Review.pptx");
    std::vector<std::string> openedIn;
    std::vector<QPoint> centres;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* picker = dynamic_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!picker || !picker->isVisible() || OnScreen(*picker).isEmpty()) return;
        Settle(200);
        openedIn.push_back(picker->directory().absolutePath().toStdString());
        centres.push_back(OnScreen(*picker).center());
        if (openedIn.size() == 1) {
            // Typed into the name field, as a user may.
            auto* name = picker->findChild<QLineEdit*>("fileNameEdit");
            ASSERT_NE(name, nullptr);
            name->setText(QString::fromStdString(talk));
            QMetaObject::invokeMethod(picker, "accept");
        } else {
            picker->reject();
        }
    });
    answer.start(50);
    W().OnSkinClick(IDC_ROW_ICON[0]);
    ASSERT_EQ(W().State().presentationPath, talk);
    W().OnSkinClick(IDC_ROW_ICON[0]);
    answer.stop();
    ASSERT_EQ(openedIn.size(), 2u);
    EXPECT_EQ(openedIn[0], fs::canonical(std::getenv("HOME")).string());
    EXPECT_EQ(openedIn[1], folder.path().string());
    const QPoint wizard = OnScreen(W()).center();
    for (const QPoint& centre : centres) {
        EXPECT_LE(std::abs(centre.x() - wizard.x()), 4) << "picker at " << centre.x() << ", wizard at " << wizard.x();
        // The inside's centre lies half the title bar below the frame's.
        EXPECT_LE(std::abs(centre.y() - wizard.y()), 12) << "picker at " << centre.y() << ", wizard at " << wizard.y();
    }
}

// Every failure before the recording, found when the file or folder is
// chosen, at Convert or when the show starts, leaves the user in the wizard
// with every choice; then a recording at the size offered makes its video,
// says where it is without a size note, and ends the wizard.
TEST_F(WizardWindowManagerTest, EveryFailureBeforeTheRecordingLeavesTheWizardWithEveryChoice) {
    auto office = kv::ScriptedOffice::Create();
    kv::PptContainerRunner runner;
    sources.devices.clear();  // no sound device here: nothing to record but the picture
    const std::string talk = Presentation("Talk.pptx");
    const std::string unknown = Presentation("Unplayable.pptx");  // the office cannot open it
    office->AddPresentation(talk, 3);
    office->Register();
    const fs::path renamed = folder.path() / "Notes.pptx";
    std::ofstream(renamed) << "These are notes.";
    const SmallDisk disk(folder.path() / "small disk", "1m");

    FreshWizard(runner, shell);
    User user;
    std::size_t boxesSeen = 0;
    const auto newBox = [&](const std::string& start) {
        return [&, start] {
            if (boxes.Texts().size() <= boxesSeen) return false;
            const std::string text = boxes.Texts()[boxesSeen++];
            EXPECT_EQ(text.rfind(start, 0), 0u) << text;
            return true;
        };
    };
    const auto inWizard = [&](const std::string& presentation) {
        return [&, presentation] {
            if (!W().isVisible() || QApplication::activeModalWidget()) return false;
            ExpectChoicesKept(presentation);
            return true;
        };
    };
    const auto convert = [&] { W().OnSkinClick(IDC_CONVERT); };

    // A text renamed .pptx and a folder that takes no files are refused when
    // chosen. (The pickers' answers are set as each step acts.)
    user.Do("choose a renamed text, then a presentation", [&] {
        shell.presentations = {renamed.string(), unknown};
        W().OnSkinHover(IDC_TAB_IO);
        W().OnSkinClick(IDC_ROW_ICON[0]);
        MakeChoices();
    });
    user.Then("the text is refused", newBox("FileType Error: Invalid File Type Selected\n\"Notes.pptx\" is not a presentation"));
    user.Do("choose /proc", [&] {
        shell.folders = {"/proc", folder.path().string()};
        W().OnSkinHover(IDC_TAB_IO);
        W().OnSkinClick(IDC_ROW_ICON[1]);
    });
    user.Then("/proc is refused", newBox("The output folder cannot be written to (it takes no new files):\n/proc"));
    // The office cannot open the presentation: said, and back in the wizard.
    user.Do("convert what the office cannot open", convert);
    user.Then("the show did not start", newBox("Unable to run the slide show"));
    user.Then("back in the wizard", inWizard(unknown));
    // A presentation gone since it was chosen: said at Convert.
    user.Do("choose the talk, then remove it", [&] {
        shell.presentations = {talk};
        W().OnSkinHover(IDC_TAB_IO);
        W().OnSkinClick(IDC_ROW_ICON[0]);
        fs::rename(talk, talk + ".away");
        QTimer::singleShot(0, [&] { W().OnSkinClick(IDC_CONVERT); });
    });
    user.Then("the vanished file is named", newBox("The presentation file no longer exists:\n" + talk));
    user.Then("back in the wizard", inWizard(talk));
    user.Do("the talk is back", [&] { fs::rename(talk + ".away", talk); });
    // A disk without room: said at Convert (where a small disk can be mounted).
    if (disk.Mounted()) {
        user.Do("choose a full disk and convert", [&] {
            shell.folders = {(folder.path() / "small disk").string()};
            W().OnSkinHover(IDC_TAB_IO);
            W().OnSkinClick(IDC_ROW_ICON[1]);
            QTimer::singleShot(0, [&] { W().OnSkinClick(IDC_CONVERT); });
        });
        user.Then("no room is said", newBox("Not enough disk space in " + (folder.path() / "small disk").string()));
        user.Then("back in the wizard", inWizard(talk));
        user.Do("choose a folder with room", [&] {
            shell.folders = {folder.path().string()};
            W().OnSkinHover(IDC_TAB_IO);
            W().OnSkinClick(IDC_ROW_ICON[1]);
        });
    }
    // Escape before Play: back in the wizard, nothing said.
    user.Do("convert", convert);
    user.Then("the show is up", [] { return ShownContainer() && ShownContainer()->Automation().m_bStartedCompletely; });
    user.Then("Escape before Play", [&] {
        Settle(300);
        Xdotool({"key", "Escape"});
        return true;
    });
    user.Then("back in the wizard", inWizard(talk));
    // A recording at the size offered: the video, its place, no size note; the wizard ends.
    QString doneText;
    user.Do("convert again", convert);
    RecordAWhile(user, doneText);
    user.Start([&] { W().done(0); });
    const int result = W().Run();
    EXPECT_TRUE(user.Done()) << "the wizard ended before the user was done"
                             << (user.Stuck().empty() ? "" : "; waited in vain for: " + user.Stuck());
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(boxes.Texts().size(), boxesSeen) << boxes.Texts().back();
    const std::string video = kv::settings::OutputFileName.Get();
    EXPECT_NE(doneText.indexOf(QString::fromStdString(video)), -1) << doneText.toStdString();
    EXPECT_EQ(doneText.indexOf("instead of"), -1) << "the size offered was kept: " << doneText.toStdString();
    EXPECT_TRUE(fs::exists(video));
}

// A size larger than the screen records is said at Convert, and again with
// the video, as the size the video has instead of the one chosen.
TEST_F(WizardWindowManagerTest, ASizeTooLargeIsSaidAtConvertAndWithTheVideo) {
    auto office = kv::ScriptedOffice::Create();
    kv::PptContainerRunner runner;
    sources.devices.clear();
    const std::string talk = Presentation("Talk.pptx");
    office->AddPresentation(talk, 2);
    office->Register();
    FreshWizard(runner, shell);
    ASSERT_TRUE(W().OpenPresentation(talk));
    W().OnSkinHover(IDC_TAB_VIDEO);
    Choose(IDC_OUTPUT_FORMAT, "MP4");
    Choose(IDC_RESOLUTION, "Custom...");
    W().Controls().Edit(IDC_CUSTOM_WIDTH)->setText("1366");
    W().Controls().Edit(IDC_CUSTOM_HEIGHT)->setText("768");
    QString doneText;
    User user;
    user.Do("convert", [&] { W().OnSkinClick(IDC_CONVERT); });
    RecordAWhile(user, doneText);
    user.Start([&] { W().done(0); });
    EXPECT_EQ(W().Run(), QDialog::Accepted);
    EXPECT_TRUE(user.Done()) << user.Stuck();
    ASSERT_EQ(boxes.Texts().size(), 1u) << "said before the show opened";
    EXPECT_EQ(boxes.Texts()[0].rfind("The video will be ", 0), 0u) << boxes.Texts()[0];
    EXPECT_NE(boxes.Texts()[0].find(" instead of 1366x768: "), std::string::npos) << boxes.Texts()[0];
    const std::string made = boxes.Texts()[0].substr(18, boxes.Texts()[0].find(' ', 18) - 18);
    EXPECT_NE(doneText.indexOf(QString::fromStdString("The video is " + made + " instead of 1366x768")), -1)
        << doneText.toStdString();
}

// The real office: the first slide (the sample's red title) is in the slide
// area before Play, at the largest size the screen records; Escape brings
// the wizard back.
TEST_F(WizardWindowManagerTest, TheFirstSlideIsOnScreenBeforePlay) {
    kv::RegisterUnoAutomation();
    kv::PptContainerRunner runner;
    sources.devices.clear();
    const char* source = std::getenv("KALVISTA_SOURCE_DIR");
    const fs::path sample = fs::path(source ? source : ".") / "samples" / "kalvista-sample.pptx";
    const fs::path copy = folder.path() / "kalvista-sample.pptx";
    fs::copy_file(sample, copy);
    FreshWizard(runner, shell);
    ASSERT_TRUE(W().OpenPresentation(copy.string()));
    double redShare = 0;
    QImage slide;
    User user;
    user.Do("convert", [&] { W().OnSkinClick(IDC_CONVERT); });
    user.Then("the first slide shows, Escape", [&] {
        kv::CPptContainerDlg* c = ShownContainer();
        if (!c || !c->Automation().m_bStartedCompletely) return false;
        Settle(1500);
        slide = ScreenAround(ControlOnScreen(*c->SlideArea()));
        int red = 0;
        for (int y = 0; y < slide.height(); y += 8)
            for (int x = 0; x < slide.width(); x += 8) {
                const QColor colour = slide.pixelColor(x, y);
                red += colour.red() > 150 && colour.green() < 80 && colour.blue() < 80;
            }
        redShare = red / double(((slide.width() + 7) / 8) * ((slide.height() + 7) / 8));
        Xdotool({"key", "Escape"});
        return true;
    });
    user.Then("back in the wizard", [&] {
        if (!W().isVisible()) return false;
        QTimer::singleShot(0, [&] { W().OnSkinClick(IDC_CLOSE); });
        return true;
    });
    user.Start([&] { W().done(0); });
    W().Run();
    EXPECT_TRUE(user.Done()) << user.Stuck();
    EXPECT_GT(redShare, 0.5) << "the slide area before Play holds the first slide";
}

}  // namespace
}  // namespace kvtest
