#include "app/batch/BatchOptions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <map>
#include <thread>

#include "rendering/FastRender.h"

#include "conversion/OutputFormats.h"

namespace kv {
namespace fs = std::filesystem;

const char* const kBatchUsage =
    "Usage: kalvista --convert PRESENTATION... [options]\n"
    "\n"
    "Plays PRESENTATION as a slide show, records it with sound and converts the\n"
    "recording, without the wizard. The container window and the conversion\n"
    "dialog are shown as usual; recording starts at once. Exits 0 only when the\n"
    "output file exists and is complete; otherwise prints the reason and exits 1.\n"
    "\n"
    "Several presentations are converted one after another (with --fast, several\n"
    "at once); --output then names a folder and each video is <name>.<ext> in it.\n"
    "One line per presentation: \"Video: <path>\" or \"Failed: <presentation>: <reason>\".\n"
    "A failing presentation does not stop the others; the exit status is 1 when\n"
    "any failed.\n"
    "\n"
    "Options:\n"
    "  --output FILE     the video to write; a folder with several presentations (default: ~/Videos/<presentation>.<ext>,\n"
    "                    or the home folder when there is no ~/Videos)\n"
    "  --format NAME     AVI, WMV, MPEG1, MPEG2, MP4, FLV, 3G2, 3GP, SWF, MOV, ASF,\n"
    "                    WEBM or GIF\n"
    "                    (default: from the output's extension, else MP4)\n"
    "  --mode MODE       auto: every slide for --seconds (default);\n"
    "                    presenter: slides advance with the Next slide button;\n"
    "                    timings: the presentation's own slide timings\n"
    "  --seconds N       seconds per slide in auto mode, and for each slide without\n"
    "                    a timing of its own in timings mode (nobody is there to\n"
    "                    click it on), 1 to 20 (default 5). In auto and timings\n"
    "                    mode, effects that wait for a click come by themselves,\n"
    "                    one after another in the first half of their slide's time\n"
    "  --size WxH        capture size in pixels, at least 100x96 and at most 7680x4320\n"
    "                    (default 800x600; with --fast at most 3840x2160)\n"
    "  --fps N           frames per second: 5, 10, 15, 20, 25 or 30, and with\n"
    "                    --fast also 50 or 60 (MPEG1/MPEG2: 25 or 29; default 5,\n"
    "                    or 25 for MPEG)\n"
    "  --sound DEVICE    record sound from this capture device (an ALSA name such\n"
    "                    as \"default\", or its number in the device list)\n"
    "  --no-sound        record no sound\n"
    "  --cursor          draw the mouse pointer into the video\n"
    "  --fast            render instead of recording the whole show: still slides\n"
    "                    are drawn once as pictures, and only what moves (slide\n"
    "                    transitions, effects on entrance, emphasis, exit and\n"
    "                    motion paths, effects that wait for a click, animated\n"
    "                    pictures, films while they play) is played out of sight\n"
    "                    and recorded for its own length. The presentation's own\n"
    "                    sounds come from its file: sounds that play by themselves\n"
    "                    or on a click, recorded narration with its timings,\n"
    "                    transition sounds, films' sound, looping sounds. A\n"
    "                    presentation without sound gives a video without sound.\n"
    "                    --fps up to 60 and --size up to 3840x2160. Not with\n"
    "                    --mode presenter, nor with --sound (nothing is recorded\n"
    "                    from a microphone).\n"
    "  --jobs N          with --fast: presentations rendered at once, each by an\n"
    "                    office of its own, and moving stretches recorded at once,\n"
    "                    each on a private display with an office of its own,\n"
    "                    1 to 16 (default: the number of processor cores)\n"
    "  --subtitles       speaker notes as subtitles (MP4, MOV, WEBM; and <video>.srt)\n"
    "  --allow-linked-content\n"
    "                    for presentations you trust: the pictures, films and other\n"
    "                    files they link to are fetched, from the network or from\n"
    "                    anywhere on this computer (see below)\n"
    "  --help            this text\n"
    "\n"
    "The show runs on the display DISPLAY names; without one, on a private X\n"
    "server (Xvfb) started for the run, large enough for --size and the toolbar.\n"
    "When the screen is too small for --size and the toolbar, the video is made\n"
    "smaller and a warning says to what size.\n"
    "\n"
    "Presentations from anyone are safe to convert. The office plays each one in a\n"
    "closed room: without network, seeing no file of this computer but a copy of\n"
    "the presentation. Its macros never run; its \"run program\" actions and\n"
    "hyperlinks do nothing. A picture it links to from its own folder is shown;\n"
    "anything else it links to (pictures, films and sounds elsewhere or on the\n"
    "network, linked objects) is shown as missing, unless --allow-linked-content\n"
    "is given. The file's type is told from its content: anything but a\n"
    "PowerPoint (OOXML or 97-2003) or OpenDocument presentation is refused.\n"
    "\n"
    "Limits on what a presentation may ask (it is refused beyond them):\n"
    "  slides: at most 1000\n"
    "  a slide's own time: at most 1 h; a transition: at most 60 s\n"
    "  a whole show: at most 24 h\n"
    "  a picture: at most 150 million pixels\n"
    "  a package: at most 50000 parts and 4 GB unpacked, no part unpacking to\n"
    "  more than 1000 times its packed size\n"
    "The first 1000 slide changes of a video get a key frame of their own.\n";

namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::optional<int> Number(const std::string& text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool IsPresentation(const fs::path& path) {
    static const char* const kTypes[] = {".ppt", ".pptx", ".pps", ".ppsx", ".odp", ".fodp"};
    const std::string extension = Lower(path.extension().string());
    return std::any_of(std::begin(kTypes), std::end(kTypes), [&](const char* t) { return extension == t; });
}

std::string FormatFromExtension(const std::string& extension) {
    const std::string wanted = Lower(extension);
    for (const std::string& name : OutputFormatNames())
        if (FormatExtension(name) == wanted) return name;
    return {};
}

// Checks one presentation and makes its path absolute; the reason when it is refused.
std::string CheckPresentation(std::string& presentation) {
    std::error_code ec;
    const fs::file_status status = fs::status(presentation, ec);
    if (!fs::exists(status)) return "presentation not found: " + presentation;
    if (fs::is_directory(status)) return "the presentation is a folder, not a file: " + presentation;
    if (!fs::is_regular_file(status)) return "the presentation is not a file: " + presentation;
    if (!IsPresentation(presentation))
        return "not a presentation (*.ppt, *.pptx, *.pps, *.ppsx, *.odp or *.fodp): " + presentation;
    presentation = fs::absolute(presentation).lexically_normal().string();
    return {};
}

// Several presentations: the output is a folder, the format is named or MP4.
std::string CompleteSeveral(BatchOptions& o) {
    std::error_code ec;
    if (!o.output.empty()) {
        if (!fs::is_directory(o.output, ec)) return "with several presentations --output names a folder: " + o.output;
        o.output = fs::absolute(o.output).lexically_normal().string();
    }
    if (o.format.empty()) o.format = "MP4";
    o.format = Upper(o.format);
    const auto& names = OutputFormatNames();
    if (std::find(names.begin(), names.end(), o.format) == names.end()) return "unknown format: " + o.format;
    return {};
}

// Fills in what the options leave open and checks that they fit together.
std::string Complete(BatchOptions& o) {
    if (o.presentations.empty()) return "no presentation given";
    for (std::string& presentation : o.presentations)
        if (std::string refused = CheckPresentation(presentation); !refused.empty()) return refused;
    o.presentation = o.presentations.front();
    std::error_code ec;

    if (o.Several()) {
        if (std::string refused = CompleteSeveral(o); !refused.empty()) return refused;
    } else if (!o.format.empty()) {
        o.format = Upper(o.format);
        const auto& names = OutputFormatNames();
        if (std::find(names.begin(), names.end(), o.format) == names.end()) return "unknown format: " + o.format;
    } else if (!o.output.empty()) {
        o.format = FormatFromExtension(fs::path(o.output).extension().string());
        if (o.format.empty()) return "cannot tell the format from the output's extension; give --format";
    } else {
        o.format = "MP4";
    }
    if (!o.output.empty() && !o.Several()) {
        const fs::path output = fs::absolute(o.output).lexically_normal();
        if (Lower(output.extension().string()) != FormatExtension(o.format))
            return "the output's extension does not fit the format " + o.format + " (" + FormatExtension(o.format) +
                   ")";
        if (!fs::is_directory(output.parent_path(), ec)) return "output folder not found: " + output.parent_path().string();
        o.output = output.string();
    }

    const bool mpeg = IsMpegFormat(o.format);
    if (o.fps == 0) o.fps = mpeg ? 25 : 5;
    std::vector<int> rates = mpeg ? std::vector<int>{25, 29} : std::vector<int>{5, 10, 15, 20, 25, 30};
    if (o.fast && !mpeg) rates.insert(rates.end(), {50, kRenderMaxFps});
    if (std::find(rates.begin(), rates.end(), o.fps) == rates.end())
        return "frame rate " + std::to_string(o.fps) + " is not offered for " + o.format;
    if (o.width < 100 || o.height < 96) return "Minimum resolution must be 100 x 100.";
    if (o.width > kLargestCaptureWidth || o.height > kLargestCaptureHeight)
        return "--size may be at most " + std::to_string(kLargestCaptureWidth) + "x" +
               std::to_string(kLargestCaptureHeight);
    if (o.fast && (o.width > kRenderMaxWidth || o.height > kRenderMaxHeight))
        return "--fast renders at most " + std::to_string(kRenderMaxWidth) + "x" + std::to_string(kRenderMaxHeight);
    if (o.seconds < 1 || o.seconds > 20) return "--seconds must lie between 1 and 20";
    if (o.fast && o.captureMode == 3) return std::string("--fast: ") + kPresenterModeRefusal;
    if (o.fast && !o.soundDevice.empty()) return std::string("--fast: ") + kLiveSoundRefusal;
    if (o.jobs != 0 && !o.fast) return "--jobs needs --fast: a recorded show needs the screen to itself";
    if (o.jobs < 0) return "--jobs must be at least 1";
    if (o.jobs > kMostJobs) return "--jobs may be at most " + std::to_string(kMostJobs);
    if (o.jobs == 0) o.jobs = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, kMostJobs);
    return {};
}

// One option with its value; false with `error` set when the value is missing or bad.
bool TakeOption(const std::string& name, const std::string& value, BatchOptions& o, std::string& error) {
    static const std::map<std::string, int> kModes = {{"auto", 2}, {"presenter", 3}, {"timings", 1}};
    if (name == "--output") {
        o.output = value;
    } else if (name == "--format") {
        o.format = value;
    } else if (name == "--mode") {
        auto it = kModes.find(Lower(value));
        if (it == kModes.end()) return error = "unknown mode: " + value, false;
        o.captureMode = it->second;
    } else if (name == "--seconds" || name == "--fps" || name == "--jobs") {
        auto number = Number(value);
        if (!number || (name == "--jobs" && *number < 1)) return error = name + " needs a number: " + value, false;
        (name == "--fps" ? o.fps : name == "--jobs" ? o.jobs : o.seconds) = *number;
    } else if (name == "--size") {
        const auto x = value.find_first_of("xX");
        auto w = Number(value.substr(0, x));
        auto h = x == std::string::npos ? std::nullopt : Number(value.substr(x + 1));
        if (!w || !h) return error = "--size needs WxH: " + value, false;
        o.width = *w;
        o.height = *h;
    } else if (name == "--sound") {
        o.sound = true;
        o.soundDevice = value;
    } else {
        return error = "unknown option: " + name, false;
    }
    return true;
}

// True when args[i] follows "--convert" with only presentations between.
bool IsPresentationList(const std::vector<std::string>& args, size_t i) {
    while (i > 0 && args[i - 1].rfind("--", 0) != 0) --i;
    return i > 0 && args[i - 1] == "--convert";
}

}  // namespace

const std::vector<std::string>& OutputFormatNames() {
    static const std::vector<std::string> kNames = [] {
        std::vector<std::string> names;
        for (const auto& format : kOutputFormats) names.push_back(format.name);
        return names;
    }();
    return kNames;
}

std::string FormatExtension(const std::string& format) {
    const std::string name = Upper(format);
    for (const auto& known : kOutputFormats)
        if (name == known.name) return known.extension;
    return {};
}

bool IsMpegFormat(const std::string& format) {
    const std::string name = Upper(format);
    return name == "MPEG1" || name == "MPEG2";
}


BatchParse ParseBatchOptions(const std::vector<std::string>& args) {
    BatchParse parse;
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h") {
            parse.help = true;
            return parse;
        }
    BatchOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--no-sound") {
            options.sound = false;
            options.soundDevice.clear();
        } else if (arg == "--cursor") {
            options.cursor = true;
        } else if (arg == "--fast") {
            options.fast = true;
        } else if (arg == "--subtitles") {
            options.subtitles = true;
        } else if (arg == "--allow-linked-content") {
            options.allowLinkedContent = true;
        } else if (arg.rfind("--", 0) == 0) {
            const bool isConvert = arg == "--convert";
            if (i + 1 >= args.size()) {
                parse.error = arg + " needs a value";
                return parse;
            }
            const std::string& value = args[++i];
            if (isConvert) options.presentations.push_back(value);
            else if (!TakeOption(arg, value, options, parse.error)) return parse;
        } else if (!options.presentations.empty() && i > 0 && IsPresentationList(args, i)) {
            options.presentations.push_back(arg);
        } else {
            parse.error = "unexpected argument: " + arg;
            return parse;
        }
    }
    parse.error = Complete(options);
    if (parse.error.empty()) parse.options = options;
    return parse;
}

PrivateScreen PrivateScreenSize(int captureWidth, int captureHeight) {
    constexpr int kToolbarRoom = 128;
    return {std::max(captureWidth, 1024), std::max(captureHeight + kToolbarRoom, 768)};
}

}  // namespace kv
