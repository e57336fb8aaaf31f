#include "conversion/SlideChapters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "conversion/OutputFormats.h"

namespace kv {

namespace {

long long Milliseconds(double seconds) { return std::llround(std::max(0.0, seconds) * 1000.0); }

// The start of slide i: the first one at 0, so the chapters cover the video.
long long StartMs(const ShownSlides& slides, size_t i) { return i == 0 ? 0 : Milliseconds(slides[i].startSeconds); }

long long EndMs(const ShownSlides& slides, size_t i, double videoSeconds) {
    const long long end = i + 1 < slides.size() ? StartMs(slides, i + 1) : Milliseconds(videoSeconds);
    return std::max(end, StartMs(slides, i) + 1);
}

// FFmpeg's metadata file reserves '=', ';', '#', '\' and line breaks.
std::string MetadataValue(const std::string& text) {
    std::string value;
    for (char c : text) {
        if (c == '=' || c == ';' || c == '#' || c == '\\' || c == '\n') value += '\\';
        value += c;
    }
    return value;
}

// "hh:mm:ss,mmm" (SubRip) or "hh:mm:ss.mmm" (WebVTT).
std::string CueTime(long long ms, char separator) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld%c%03lld", ms / 3600000, ms / 60000 % 60,
                  ms / 1000 % 60, separator, ms % 1000);
    return buffer;
}

// ASS counts in hundredths: "h:mm:ss.cc".
std::string AssTime(long long ms) {
    const long long cs = (ms + 5) / 10;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld:%02lld:%02lld.%02lld", cs / 360000, cs / 6000 % 60, cs / 100 % 60,
                  cs % 100);
    return buffer;
}

std::string ListTime(long long ms) {
    const long long seconds = ms / 1000;
    char buffer[32];
    if (seconds >= 3600)
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
    else
        std::snprintf(buffer, sizeof buffer, "%lld:%02lld", seconds / 60, seconds % 60);
    return buffer;
}

// A blank line would end a cue early. Lines end in LF, CR LF or a lone CR.
std::string WithoutBlankLines(const std::string& text) {
    std::string kept;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        if (line.find_first_not_of(" \t") != std::string::npos) kept += (kept.empty() ? "" : "\n") + line;
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return kept;
}

struct Cue {
    long long startMs, endMs;
    std::string text;  // lines joined by '\n', none of them blank
};

std::vector<Cue> NotesCues(const ShownSlides& slides, double videoSeconds) {
    std::vector<Cue> cues;
    for (size_t i = 0; i < slides.size(); ++i) {
        std::string notes = WithoutBlankLines(slides[i].notes);
        if (!notes.empty()) cues.push_back({StartMs(slides, i), EndMs(slides, i, videoSeconds), std::move(notes)});
    }
    return cues;
}

// WebVTT reads '&' and '<' as markup; escaping '>' keeps "-->" out of a cue.
std::string WebVttText(const std::string& text) {
    std::string escaped;
    for (char c : text) {
        if (c == '&') escaped += "&amp;";
        else if (c == '<') escaped += "&lt;";
        else if (c == '>') escaped += "&gt;";
        else escaped += c;
    }
    return escaped;
}

// In ASS a line break is "\N"; "\n", "\N", "\h" and "{\" are markup, so
// a word joiner (invisible) goes between such a backslash and its neighbour.
std::string AssText(const std::string& text) {
    static const std::string joiner = "\xE2\x81\xA0";  // U+2060
    std::string escaped;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\n') {
            escaped += "\\N";
            continue;
        }
        if (c == '\\' && i > 0 && text[i - 1] == '{') escaped += joiner;
        escaped += c;
        if (c == '\\' && i + 1 < text.size() && std::strchr("nNh", text[i + 1])) escaped += joiner;
    }
    return escaped;
}

std::string NotesWebVtt(const std::vector<Cue>& cues) {
    std::string text = "WEBVTT\n\n";
    for (const Cue& cue : cues)
        text += CueTime(cue.startMs, '.') + " --> " + CueTime(cue.endMs, '.') + "\n" + WebVttText(cue.text) + "\n\n";
    return text;
}

std::string NotesAss(const std::vector<Cue>& cues) {
    std::string text =
        "[Script Info]\nScriptType: v4.00+\n\n[V4+ Styles]\n"
        "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
        "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
        "MarginR, MarginV, Encoding\n"
        "Style: Default,Arial,16,&Hffffff,&Hffffff,&H0,&H0,0,0,0,0,100,100,0,0,1,1,0,2,10,10,10,0\n\n"
        "[Events]\nFormat: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text\n";
    for (const Cue& cue : cues)
        text += "Dialogue: 0," + AssTime(cue.startMs) + "," + AssTime(cue.endMs) + ",Default,,0,0,0,," +
                AssText(cue.text) + "\n";
    return text;
}

}  // namespace

std::string ChapterMetadata(const ShownSlides& slides, double videoSeconds) {
    std::string text = ";FFMETADATA1\n";
    for (size_t i = 0; i < slides.size(); ++i)
        text += "[CHAPTER]\nTIMEBASE=1/1000\nSTART=" + std::to_string(StartMs(slides, i)) +
                "\nEND=" + std::to_string(EndMs(slides, i, videoSeconds)) + "\ntitle=" + MetadataValue(slides[i].title) +
                "\n";
    return text;
}

std::string ChapterListText(const ShownSlides& slides) {
    std::string text;
    for (size_t i = 0; i < slides.size(); ++i) text += ListTime(StartMs(slides, i)) + " " + slides[i].title + "\n";
    return text;
}

std::string NotesSubtitles(const ShownSlides& slides, double videoSeconds) {
    std::string text;
    int number = 0;
    for (const Cue& cue : NotesCues(slides, videoSeconds))
        text += std::to_string(++number) + "\n" + CueTime(cue.startMs, ',') + " --> " + CueTime(cue.endMs, ',') +
                "\n" + cue.text + "\n\n";
    return text;
}

NotesTrack NotesTrackFor(int formatIndex, const ShownSlides& slides, double videoSeconds) {
    if (formatIndex == FORMAT_MP4 || formatIndex == FORMAT_MOV)
        return {"mov_text", ".ass", NotesAss(NotesCues(slides, videoSeconds))};
    if (formatIndex == FORMAT_WEBM) return {"copy", ".vtt", NotesWebVtt(NotesCues(slides, videoSeconds))};
    return {};
}

std::string SlideKeyFrameTimes(const ShownSlides& slides) {
    std::string times;
    for (size_t i = 0; i < slides.size() && i < kMostKeyFrames; ++i) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.3f", StartMs(slides, i) / 1000.0);
        times += (times.empty() ? "" : ",") + std::string(buffer);
    }
    return times;
}

bool FormatKeepsChapters(int formatIndex) {
    return formatIndex == FORMAT_MP4 || formatIndex == FORMAT_MOV || formatIndex == FORMAT_WEBM;
}

bool HasNotes(const ShownSlides& slides) {
    return std::any_of(slides.begin(), slides.end(), [](const ShownSlide& s) { return !WithoutBlankLines(s.notes).empty(); });
}

std::string SidecarPath(const std::string& videoPath, const std::string& suffix, int number) {
    const std::filesystem::path path(videoPath);
    const std::string numbered = number > 0 ? std::to_string(number) : std::string();
    return (path.parent_path() / (path.stem().string() + numbered + suffix)).string();
}

std::string ChapterListPath(const std::string& videoPath) { return SidecarPath(videoPath, kChapterListSuffix); }
std::string SubtitlePath(const std::string& videoPath) { return SidecarPath(videoPath, kSubtitleSuffix); }

}  // namespace kv
