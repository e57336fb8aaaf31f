#include "recording/state/ShownSlides.h"

#include <cmath>
#include <mutex>

namespace kv {

namespace {

std::mutex g_shownMutex;
ShownSlides g_shownSlides;

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n\v\f");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n\v\f");
    return text.substr(first, last - first + 1);
}

// One line: paragraph and line breaks become blanks.
std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : Trimmed(text)) {
        const bool breakChar = c == '\n' || c == '\r' || c == '\v';
        if (breakChar && !line.empty() && line.back() == ' ') continue;
        line += breakChar ? ' ' : c;
    }
    return line;
}

std::string FirstLine(const std::string& text) {
    const std::string trimmed = Trimmed(text);
    return Trimmed(trimmed.substr(0, trimmed.find_first_of("\r\n\v")));
}

}  // namespace

std::string SlideTitle(int number, const std::string& placeholderTitle, const std::string& topmostText) {
    if (std::string title = OneLine(placeholderTitle); !title.empty()) return title;
    if (std::string line = FirstLine(topmostText); !line.empty()) return line;
    return "Slide " + std::to_string(number);
}

void ClearShownSlides() {
    std::lock_guard lock(g_shownMutex);
    g_shownSlides.clear();
}

void AddShownSlide(ShownSlide slide) {
    std::lock_guard lock(g_shownMutex);
    if (!g_shownSlides.empty() && std::abs(g_shownSlides.back().startSeconds - slide.startSeconds) < 1e-3)
        g_shownSlides.back() = std::move(slide);
    else
        g_shownSlides.push_back(std::move(slide));
}

ShownSlides GetShownSlides() {
    std::lock_guard lock(g_shownMutex);
    return g_shownSlides;
}

}  // namespace kv
