#include "conversion/SlideChapters.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

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

std::string SrtTime(long long ms) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld,%03lld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                  ms % 1000);
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

// A blank line would end a SubRip cue early.
std::string WithoutBlankLines(const std::string& text) {
    std::string kept;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") != std::string::npos) kept += (kept.empty() ? "" : "\n") + line;
        start = end + 1;
    }
    return kept;
}

std::string BesideVideo(const std::string& videoPath, const char* suffix) {
    std::filesystem::path path(videoPath);
    return (path.parent_path() / (path.stem().string() + suffix)).string();
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
    int cue = 0;
    for (size_t i = 0; i < slides.size(); ++i) {
        const std::string notes = WithoutBlankLines(slides[i].notes);
        if (notes.empty()) continue;
        text += std::to_string(++cue) + "\n" + SrtTime(StartMs(slides, i)) + " --> " +
                SrtTime(EndMs(slides, i, videoSeconds)) + "\n" + notes + "\n\n";
    }
    return text;
}

std::string SlideKeyFrameTimes(const ShownSlides& slides) {
    std::string times;
    for (size_t i = 0; i < slides.size(); ++i) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.3f", StartMs(slides, i) / 1000.0);
        times += (times.empty() ? "" : ",") + std::string(buffer);
    }
    return times;
}

bool FormatKeepsChapters(int formatIndex) {
    return formatIndex == FORMAT_MP4 || formatIndex == FORMAT_MOV || formatIndex == FORMAT_WEBM;
}

std::string SubtitleCodecOf(int formatIndex) {
    if (formatIndex == FORMAT_MP4 || formatIndex == FORMAT_MOV) return "mov_text";
    if (formatIndex == FORMAT_WEBM) return "webvtt";
    return {};
}

bool HasNotes(const ShownSlides& slides) {
    return std::any_of(slides.begin(), slides.end(), [](const ShownSlide& s) { return !WithoutBlankLines(s.notes).empty(); });
}

std::string ChapterListPath(const std::string& videoPath) { return BesideVideo(videoPath, ".chapters.txt"); }
std::string SubtitlePath(const std::string& videoPath) { return BesideVideo(videoPath, ".srt"); }

}  // namespace kv
