#pragma once
// The command line of the batch mode:
//   kalvista --convert PRESENTATION [--output FILE] [--format NAME] [--mode auto|presenter|timings]
//            [--seconds N] [--size WxH] [--fps N] [--sound DEVICE|--no-sound] [--cursor]
#include <optional>
#include <string>
#include <vector>

namespace kv {

struct BatchOptions {
    std::string presentation;  // absolute
    std::string output;        // absolute; empty: the videos folder, named after the presentation
    std::string format;        // one of the eleven names; empty: from the output's extension, else MP4
    int captureMode = 2;       // 2 auto, 3 presenter, 1 the slides' own timings
    int seconds = 5;           // 1 to 20
    int width = 800;
    int height = 600;
    int fps = 0;               // 0: 5, or 25 for MPEG1/MPEG2
    bool sound = true;
    std::string soundDevice;   // a device name, a list entry's text or its number; empty: the first
    bool cursor = false;
    bool subtitles = false;  // speaker notes as subtitles
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

extern const char* const kBatchUsage;

}  // namespace kv
