#include "FlashRun.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/process/ChildProcess.h"
#include "support/OoxmlDeck.h"
#include "support/RunMarker.h"
#include "support/office/TestOffice.h"

namespace kvtest {
namespace fs = std::filesystem;
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWidth = 640, kHeight = 480;

bool TraceHas(const fs::path& trace, const char* line) {
    return ReadTextFile(trace).find(line) != std::string::npos;
}

void MakeDeck(const fs::path& deck, int slides) {
    const auto colours = TestOffice::ThreeColours();
    std::vector<SlideDesign> designs;
    for (int k = 0; k < slides; ++k) designs.push_back(colours[k % colours.size()]);
    TestOffice office;
    office.MakePresentation(deck, designs);
}

// Slides black and white by turns; each after the first plays a click of
// its own as it comes in, so the slide change and its sound are one instant
// for the office.
void MakeSoundDeck(const fs::path& deck, int slides) {
    std::string json = R"({"slides": [)";
    for (int k = 0; k < slides; ++k)
        json += std::string(k ? "," : "") + R"({"colour": ")" + (k % 2 ? "FFFFFF" : "000000") + "\"" +
                (k ? R"(, "sound": true})" : "}");
    MakeOoxmlDeck(deck, json + "]}");
}

}  // namespace

FlashRunResult RunFlashConvert(const fs::path& kalvista, const FlashRunPlan& plan, const fs::path& dir) {
    FlashRunResult result;
    const fs::path deck = dir / "flashes.pptx", trace = dir / "trace.txt", log = dir / "kalvista.log";
    const std::string extension = plan.format == "AVI" ? ".avi" : ".mp4";
    result.video = (dir / ("flashes" + extension)).string();
    fs::create_directories(dir / "run");
    fs::permissions(dir / "run", fs::perms::owner_all);
    if (plan.officeSound) MakeSoundDeck(deck, plan.slides);
    else MakeDeck(deck, plan.slides);

    kv::SpawnOptions options;
    options.outputFile = log;
    options.newProcessGroup = true;
    options.environment = {"KALVISTA_REGISTRY=" + (dir / "settings.reg").string(),
                           "XDG_RUNTIME_DIR=" + (dir / "run").string(), "KALVISTA_TRACE=" + trace.string()};
    // The sound server's own input: the monitor of the sink the clicks go to.
    kv::ChildProcess run = kv::ChildProcess::Spawn(
        {kalvista.string(), "--convert", deck.string(), "--output", result.video, "--format", plan.format, "--mode",
         "auto", "--seconds", std::to_string(plan.secondsPerSlide), "--fps", std::to_string(plan.fps), "--size",
         std::to_string(kWidth) + "x" + std::to_string(kHeight), "--sound", "pulse"},
        options);
    if (!run.Started()) return result.failure = "kalvista could not be started", result;

    // The square goes in once the show sits in the container (placing it
    // raises the slide area over anything put there earlier).
    const auto deadline = Clock::now() + std::chrono::seconds(120);
    unsigned long container = 0;
    while (!TraceHas(trace, "RecordAVI Thread Started") || !(container = FindContainerWindow(kWidth, kHeight))) {
        if (!run.Running() || Clock::now() > deadline) {
            run.Terminate(2000);
            return result.failure = "the recording did not start\n" + ReadTextFile(log), result;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    FlashRigOptions rigOptions;
    rigOptions.seed = plan.seed;
    FlashClickRig rig(rigOptions);
    std::string error;
    if (!plan.officeSound && !rig.Open(container, error)) {
        run.Terminate(2000);
        return result.failure = error, result;
    }
    rig.Start();  // (not opened: does nothing)
    while (run.Running() && !TraceHas(trace, "Out of continuous While loop"))
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    rig.Stop();

    const auto status = run.Wait(plan.slides * plan.secondsPerSlide * 1000 + 180000);
    if (!status) run.Terminate(2000);
    if (!status || *status != 0)
        return result.failure = "kalvista failed\n" + ReadTextFile(log) + ReadTextFile(trace), result;
    const SyncMarks marks = ReadSyncMarks(result.video, rigOptions.x + rigOptions.size / 2,
                                          rigOptions.y + rigOptions.size / 2);
    if (!marks.opened) return result.failure = "cannot read " + result.video, result;
    result.converted = true;
    result.sync = MeasureFlashSync(rig.Flashes(), marks);
    if (plan.officeSound) result.officeSoundMs = SoundDelaysMs(marks);
    const std::string lines = ReadTextFile(trace);
    for (std::size_t at = lines.find("CSoundSync"); at != std::string::npos; at = lines.find("CSoundSync", at + 1))
        result.soundTrace += lines.substr(at, lines.find('\n', at) - at) + "\n";
    if (const auto at = lines.find(" frames dropped, the writer was busy"); at != std::string::npos)
        result.droppedFrames = std::atoi(lines.c_str() + lines.rfind(':', at) + 1);
    return result;
}

}  // namespace kvtest
