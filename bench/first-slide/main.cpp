// first-slide: seconds from RunSlideShow (office not running) to the first
// slide visible in our window, beside `soffice --norestore file.pptx` from its
// start to the document visible on the same X server. Median of three rounds.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/automation/OfficeProcesses.h"
#include "platform/automation/uno/UnoAutomation.h"
#include "platform/core/MessageBox.h"
#include "platform/process/ChildProcess.h"
#include "playback/MessageLog.h"
#include "playback/PptAutomation.h"
#include "recording/state/RecorderState.h"
#include "support/HostWindow.h"
#include "support/TempDir.h"
#include "support/Xvfb.h"
#include "support/office/TestOffice.h"

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

struct Host : kv::CPptAutomation::Host {
    kvtest::MessageLog window;
    unsigned long area = 0;
    kv::CPptAutomation* automation = nullptr;
    kv::HWND ContainerWindow() override { return window.Window(); }
    unsigned long SlideAreaWindow() override { return area; }
    void OnClickedBtnStop() override { automation->DoCleanup(); }
    void PositionSlideShowWindow() override {}
    void ShowContainer(bool) override {}
    void ShowTaskbar() override {}
    void EndDialog(int) override {}
};

bool RedAt(const kvtest::HostWindow& w, int x, int y) { return kvtest::ColourIndex(w.PixelAt(x, y)) == 1; }

double Ours(const std::string& file) {
    kvtest::HostWindow area(800, 600);
    Host host;
    host.area = area.window();
    const auto start = Clock::now();
    kv::CPptAutomation automation(host, file, 2, 5.0f, 800, 600);
    host.automation = &automation;
    automation.Initialise(&host.window.Loop());
    if (automation.RunSlideShow() != kv::S_OK) {
        std::fprintf(stderr, "the show did not start: %s\n", automation.LastError().c_str());
        return -1;
    }
    double seen = -1;
    while (Since(start) < 60 && seen < 0) {
        if (RedAt(area, 400, 400)) seen = Since(start);
        host.window.Pump();
    }
    automation.DoCleanup();
    return seen;
}

// The office's own start: any red slide picture anywhere on the screen.
double Office(const std::string& file, const std::filesystem::path& profile) {
    Display* display = XOpenDisplay(nullptr);
    const auto start = Clock::now();
    kv::SpawnOptions options;
    options.newProcessGroup = true;
    kv::ChildProcess office = kv::ChildProcess::Spawn(
        {"soffice", "--norestore", "--nologo", "-env:UserInstallation=file://" + profile.string(), file}, options);
    double seen = -1;
    while (Since(start) < 60 && seen < 0) {
        XImage* image = XGetImage(display, DefaultRootWindow(display), 0, 0, 1280, 1024, AllPlanes, ZPixmap);
        for (int y = 100; image && y < 1000 && seen < 0; y += 40)
            for (int x = 100; x < 1200 && seen < 0; x += 40)
                if (kvtest::ColourIndex(static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF)) == 1) seen = Since(start);
        if (image) XDestroyImage(image);
    }
    office.Terminate(3000);
    XCloseDisplay(display);
    return seen;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    kvtest::XvfbServer xvfb("1280x1024x24");
    kvtest::TempDir dir("kalvista-first-slide");
    setenv("KALVISTA_OFFICE_PROFILES", (dir.path() / "profiles").c_str(), 1);
    kv::SetMessageBoxService(std::make_shared<kv::RecordingMessageBox>());
    const std::string file = (dir / "three.pptx").string();
    {
        kvtest::TestOffice maker;
        maker.MakePresentation(file, kvtest::TestOffice::ThreeColours());
    }
    kv::RegisterUnoAutomation();
    // The reference opens its own copy, so its lock never meets our show.
    const std::string copy = (dir / "three-reference.pptx").string();
    std::filesystem::copy_file(file, copy);
    std::vector<double> ours, office;
    for (int round = 0; round < 3; ++round) {
        ours.push_back(Ours(file));
        office.push_back(Office(copy, dir.path() / "reference-profile"));
        kv::g_bSlideShowEnded = false;
        std::printf("round %d: ours %.2f s, office %.2f s\n", round + 1, ours.back(), office.back());
    }
    std::printf("first-slide: ours_s=%.2f office_s=%.2f target_s=4.00\n", Median(ours), Median(office));
    return 0;
}
