#pragma once
// The command line of the batch mode:
//   kalvista --convert PRESENTATION... [--output FILE|FOLDER] [--format NAME] [--mode auto|presenter|timings]
//            [--seconds N] [--size WxH] [--fps N] [--sound DEVICE|--no-sound] [--cursor] [--fast [--jobs N]]
//            [--allow-linked-content]
#include <optional>
#include <string>
#include <vector>

namespace kv {

struct BatchOptions {
    std::string presentation;  // absolute; the first of `presentations`
    std::vector<std::string> presentations;  // every presentation given, absolute
    std::string output;        // absolute; empty: the videos folder, named after the presentation;
                               // with several presentations the folder of their videos
    std::string format;        // one of the eleven names; empty: from the output's extension, else MP4
    int captureMode = 2;       // 2 auto, 3 presenter, 1 the slides' own timings
    int seconds = 5;           // 1 to 20
    int width = 800;
    int height = 600;
    int fps = 0;               // 0: 5, or 25 for MPEG1/MPEG2
    bool sound = true;
    std::string soundDevice;   // a device name, a list entry's text or its number; empty: the first
    bool cursor = false;
    bool fast = false;         // the office draws the slides; nothing is played or recorded
    int jobs = 0;              // presentations rendered at once with `fast`; 0: one per processor core
    bool subtitles = false;    // speaker notes as subtitles
    bool allowLinkedContent = false;  // the user trusts the decks: what they link to is fetched

    bool Several() const { return presentations.size() > 1; }
};

struct BatchParse {
    std::optional<BatchOptions> options;
    bool help = false;
    std::string error;  // why the command line was refused
};

BatchParse ParseBatchOptions(const std::vector<std::string>& args);

// The output formats, their file extensions and the frame rates the wizard offers.
const std::vector<std::string>& OutputFormatNames();
std::string FormatExtension(const std::string& format);
bool IsMpegFormat(const std::string& format);

// The screen of the display a run starts for itself when there is none: the
// capture size with room for the toolbar under it (two button heights, well
// below 128 px), and never smaller than 1024x768 so the conversion dialog fits.
struct PrivateScreen {
    int width;
    int height;
};
PrivateScreen PrivateScreenSize(int captureWidth, int captureHeight);

// The largest capture size --size takes, and the most rendering jobs.
inline constexpr int kLargestCaptureWidth = 7680;
inline constexpr int kLargestCaptureHeight = 4320;
inline constexpr int kMostJobs = 16;

extern const char* const kBatchUsage;

}  // namespace kv
