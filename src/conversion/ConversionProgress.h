#pragma once
// How far the running conversion is: the worker publishes what ffmpeg
// reports, the dialog and the batch line read it from their own threads.
#include <string>

namespace kv {

struct ConversionProgress {
    bool running = false;  // between the start and the end of an ffmpeg run
    bool known = false;    // ffmpeg has reported since the run started
    int percent = 0;       // 0-100, never going back within a run
    int secondsLeft = -1;  // -1 while it cannot be estimated
};

void StartConversionProgress();
void PublishConversionProgress(int percent, int secondsLeft);
// The last figures stay readable after the end.
void EndConversionProgress();
ConversionProgress GetConversionProgress();

// "<n> % — about <m:ss> left", or "<n> %" while the time left is unknown;
// empty before ffmpeg has reported.
std::string ConversionProgressText(const ConversionProgress& progress);

// Follows ffmpeg's -progress report (blocks of key=value lines, each ending
// in "progress=continue" or "progress=end") against the video's length.
class ProgressReport {
public:
    explicit ProgressReport(double videoSeconds) : m_videoSeconds(videoSeconds) {}
    // Takes what ffmpeg appended since the last call, `elapsedSeconds` after
    // the start, and publishes each completed block.
    void Feed(const std::string& text, double elapsedSeconds);

private:
    void EndOfBlock(double elapsedSeconds);

    double m_videoSeconds;
    double m_outSeconds = 0;
    std::string m_partialLine;
};

}  // namespace kv
