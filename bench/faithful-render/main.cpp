// faithful-render: a 200 s deck (20 slides of 10 s; 5 with effects of 1-2 s,
// one 10 s film with sound, narration on 3 slides) rendered with `kalvista
// --convert --fast --mode timings` and, in the same run, recorded (the sound
// from "Sound of this computer" of a private sound server); the two videos
// compared frame by frame and by their tones' onsets. Then the same deck
// without anything moving, rendered alone.
// `--no-recorded` leaves the recording and the comparison out.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/OoxmlDeck.h"
#include "support/SoundSource.h"
#include "support/TempDir.h"
#include "support/TimedRun.h"
#include "support/VideoCompare.h"
#include "support/Xvfb.h"

namespace {

namespace fs = std::filesystem;
constexpr int kSlides = 20;
constexpr int kSlideMs = 10000;


bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// The media: a 10 s H.264 film with AAC tone bursts, narration with a tone a second in.
void MakeMedia(const kvtest::TempDir& files) {
    Shell("ffmpeg -v error -y -f lavfi -i testsrc2=size=640x360:rate=25 -f lavfi -i "
          "\"aevalsrc='0.5*sin(2*PI*880*t)*between(mod(t,2.5),0.5,0.8)':s=48000\" -t 10 -c:v libx264 -pix_fmt yuv420p "
          "-c:a aac -shortest '" + (files / "film.mp4").string() + "'");
    for (int i = 0; i < 3; ++i)
        Shell("ffmpeg -v error -y -f lavfi -i \"aevalsrc='0.5*sin(2*PI*" + std::to_string(440 + 110 * i) +
              "*t)*between(t,1,2)':s=44100\" -t 4 '" + (files / ("narration" + std::to_string(i) + ".wav")).string() + "'");
}

std::string DeckJson(const kvtest::TempDir& files, bool moving) {
    const char* colours[] = {"FFF2CC", "FCE4D6", "E2EFDA", "DDEBF7", "EDEDED"};
    const char* effects[] = {
        R"([{"kind": "fade", "trigger": "after", "ms": 1000}])",
        R"([{"kind": "fly", "trigger": "after", "ms": 1500}])",
        R"([{"kind": "spin", "trigger": "after", "ms": 2000}])",
        R"([{"kind": "fade", "trigger": "click", "ms": 1000}])",
        R"([{"kind": "path", "trigger": "after", "ms": 2000}])"};
    std::string json = R"({"size": [12192000, 6858000], "slides": [)";
    int effect = 0, narration = 0;
    for (int i = 0; i < kSlides; ++i) {
        json += std::string(i ? "," : "") + R"({"title": "Slide )" + std::to_string(i + 1) +
                R"(", "body": ["A point to make", "Another one"], "colour": ")" + colours[i % 5] +
                R"(", "advance_ms": )" + std::to_string(kSlideMs);
        if (moving && i % 4 == 1 && effect < 5) json += R"(, "effects": )" + std::string(effects[effect++]);
        if (moving && i == 6) json += R"(, "media": ")" + (files / "film.mp4").string() + "\"";
        if (moving && (i == 3 || i == 11 || i == 16))
            json += R"(, "media": ")" + (files / ("narration" + std::to_string(narration++) + ".wav")).string() + "\"";
        json += "}";
    }
    return json + "]}";
}

std::vector<std::string> Convert(const std::string& deck, const std::string& output, bool fast) {
    std::vector<std::string> argv = {KALVISTA_PROGRAM, "--convert", deck, "--output", output, "--mode", "timings",
                                     "--size", "1280x720", "--fps", "25"};
    if (fast) argv.push_back("--fast");
    else argv.insert(argv.end(), {"--sound", "Sound of this computer"});
    return argv;
}

}  // namespace

int main(int argc, char** argv) {
    bool recorded = true;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--no-recorded") == 0) recorded = false;
    kvtest::TempDir files("kalvista-bench-faithful");
    setenv("KALVISTA_SOURCE_DIR", KALVISTA_SOURCE, 0);
    kvtest::UseAsHome(files);
    kvtest::XvfbServer xvfb("1920x1080x24");
    kvtest::TestSoundSource sound;
    MakeMedia(files);
    const std::string deck = (files / "talk.pptx").string(), still = (files / "still.pptx").string();
    kvtest::MakeOoxmlDeck(deck, DeckJson(files, true));
    kvtest::MakeOoxmlDeck(still, DeckJson(files, false));
    const double show = kSlides * kSlideMs / 1000.0;

    const std::string rendered = (files / "rendered.mp4").string(), recording = (files / "recorded.mp4").string();
    const double wall = kvtest::TimedRun(Convert(deck, rendered, true), rendered + ".log");
    std::printf("rendered: %.2f s\n", wall);
    const double stillWall = kvtest::TimedRun(Convert(still, (files / "still.mp4").string(), true), (files / "still.log").string());
    std::printf("still-render: show_s=%.0f wall_s=%.2f speed=%.1f\n", show, stillWall, stillWall > 0 ? show / stillWall : 0);
    if (wall <= 0) return 1;
    double psnrMin = -1, over = -1, offsetMs = -1;
    if (recorded) {
        const double recordedWall = kvtest::TimedRun(Convert(deck, recording, false), recording + ".log");
        std::printf("recorded: wall_s=%.2f\n", recordedWall);
        if (recordedWall > 0) {
            const kvtest::PictureComparison pictures = kvtest::ComparePictures(recording, rendered, 25, 320, 180);
            psnrMin = pictures.minimum;
            over = 100 * pictures.over30;
            std::printf("frames=%d under_30db_away_from_changes=%d\n%s\n", pictures.frames, pictures.badAwayFromChanges,
                        pictures.Describe().c_str());
            const auto a = kvtest::ToneOnsets(recording), b = kvtest::ToneOnsets(rendered);
            double worst = 0;
            const bool same = kvtest::MatchOnsets(a, b, &worst);
            // The offset of the sound is the mean of rendered minus recorded
            // onsets; the recorded show's own jitter shows in the worst one.
            double sum = 0;
            for (size_t i = 0; same && i < a.size(); ++i) sum += b[i] - a[i];
            offsetMs = same && !a.empty() ? 1000 * sum / double(a.size()) : -1;
            std::printf("onsets recorded=%zu rendered=%zu%s worst_ms=%.0f\n", a.size(), b.size(),
                        same ? "" : " (counts differ)", 1000 * worst);
            for (size_t i = 0; i < a.size() || i < b.size(); ++i)
                std::printf("  %8.3f %8.3f\n", i < a.size() ? a[i] : -1.0, i < b.size() ? b[i] : -1.0);
        }
    }
    std::printf("faithful-render: show_s=%.0f wall_s=%.2f speed=%.1f psnr_min=%.1f frames_over_30db=%.1f%% "
                "sound_offset_ms=%.0f\n",
                show, wall, show / wall, psnrMin, over, offsetMs);
    if (getenv("KALVISTA_BENCH_KEEP")) std::system(("cp -r '" + files.path().string() + "' /tmp/faithful-kept").c_str());
    return 0;
}
