#include "conversion/ConversionProgress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace kv {

namespace {

std::mutex g_progressMutex;
ConversionProgress g_progress;

}  // namespace

void StartConversionProgress() {
    std::lock_guard lock(g_progressMutex);
    g_progress = ConversionProgress{};
    g_progress.running = true;
}

void PublishConversionProgress(int percent, int secondsLeft) {
    std::lock_guard lock(g_progressMutex);
    g_progress.known = true;
    g_progress.percent = std::max(g_progress.percent, std::clamp(percent, 0, 100));
    g_progress.secondsLeft = secondsLeft;
}

void EndConversionProgress() {
    std::lock_guard lock(g_progressMutex);
    g_progress.running = false;
}

ConversionProgress GetConversionProgress() {
    std::lock_guard lock(g_progressMutex);
    return g_progress;
}

std::string ConversionProgressText(const ConversionProgress& progress) {
    if (!progress.known) return {};
    char text[64];
    if (progress.secondsLeft < 0)
        std::snprintf(text, sizeof text, "%d %%", progress.percent);
    else
        std::snprintf(text, sizeof text, "%d %% \xE2\x80\x94 about %d:%02d left", progress.percent,
                      progress.secondsLeft / 60, progress.secondsLeft % 60);
    return text;
}

void ProgressReport::Feed(const std::string& text, double elapsedSeconds) {
    m_partialLine += text;
    size_t start = 0;
    for (size_t end; (end = m_partialLine.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = m_partialLine.substr(start, end - start);
        // out_time_us is the position written so far; "N/A" before the first frame.
        if (line.rfind("out_time_us=", 0) == 0) {
            char* rest = nullptr;
            const long long us = std::strtoll(line.c_str() + 12, &rest, 10);
            if (rest != line.c_str() + 12 && us >= 0) m_outSeconds = us / 1e6;
        } else if (line.rfind("progress=", 0) == 0) {
            EndOfBlock(elapsedSeconds);
        }
    }
    m_partialLine.erase(0, start);
}

void ProgressReport::EndOfBlock(double elapsedSeconds) {
    // A recording of unknown length reports no share.
    if (m_videoSeconds <= 0) return;
    const double done = std::clamp(m_outSeconds / m_videoSeconds, 0.0, 1.0);
    // 100 % only once ffmpeg has ended well (the run says so): an end with
    // an error stays below it.
    const int percent = std::min(99, static_cast<int>(done * 100));
    const int left = done > 0 ? static_cast<int>(std::lround(elapsedSeconds * (1 - done) / done)) : -1;
    PublishConversionProgress(percent, left);
}

}  // namespace kv
