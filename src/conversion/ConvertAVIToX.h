#pragma once
// Conversion of the recorded AVI into the chosen output format by the
// ffmpeg command. The command text (for traces and tests) and the argument
// vector that is run are built from the same pieces, so they always agree.
#include <string>
#include <vector>

#include "recording/state/ShownSlides.h"

namespace kv {

struct ConverterCommand {
    std::string text;               // "ffmpeg -y -i \"in\" ... \"out\""; "ffmpeg" for no format
    std::vector<std::string> argv;  // argv[0] == "ffmpeg"; the paths are single arguments
    bool HasArguments() const { return argv.size() > 1; }
};

// Chapters and subtitles for formats that keep them: FFmpeg's metadata
// file and the notes track's file, read as further inputs, and the slide
// times that become key frames.
struct ChapterInput {
    std::string metadataFile;
    std::string keyFrameTimes;  // "0.000,12.400,..."
    std::string subtitleFile;
    std::string subtitleCodec;  // "mov_text"; "copy" for WebVTT
};

// The command for one conversion. `supportPowerPlugs` chooses the 3G2/3GP
// variant with the fixed frame size; `qualityFactor` (0-100, higher is
// better) sets the quality of the H.264 and VP9 formats. Every picture
// starts at its own position, also after positions without one (unchanged
// frames), at the constant frame rate; with `ownFrameTimes` (held pictures
// of a rendered presentation) formats that store every frame's time keep the
// pictures at their own times instead, so a held picture stays one frame.
ConverterCommand BuildConverterCommand(const std::string& inputFile, const std::string& outputFile, int formatIndex,
                                       double frameRate, int audioSampleRate, int audioBitRate,
                                       bool supportPowerPlugs, int qualityFactor,
                                       const ChapterInput& chapters = {}, bool ownFrameTimes = false);

// The H.264 crf of a conversion: the default quality 80 gives 23, 100 gives
// 18 (no visible loss on slides), 0 gives 43.
int ConversionCrf(int qualityFactor);

// Runs ffmpeg (the program's own folder first, then PATH) with the command
// for the format and waits for its end, at most ConverterTimeLimitMs of the
// input's length. True only when ffmpeg exited with 0 and the output file
// exists; a failed run removes its partial output, never touches the input
// and puts the reason in *failure (ffmpeg's last error line, or what kept it
// from running). Reads SupportPowerPlugs, QualityFactor and
// NotesSubtitles from the settings.
bool ConvertAVIToX(const std::string& inputFile, const std::string& outputFile, int formatIndex, double frameRate,
                   int audioSampleRate, int audioBitRate, std::string* failure = nullptr);

// How long ffmpeg may take: a base, and more for every second of video, so
// a hanging ffmpeg is ended while a long video still gets its time.
struct ConverterTimeLimit {
    int baseMs = 120000;
    int msPerVideoSecond = 10000;
};
void SetConverterTimeLimit(const ConverterTimeLimit& limit);
// The limit for a video of this length; KALVISTA_CONVERTER_TIME_LIMIT_MS,
// when set to a positive number, replaces it.
int ConverterTimeLimitMs(double videoSeconds);

// The same for a video of still pictures, each held for its time (a rendered
// presentation): where the format stores every frame's time, a held picture
// stays one frame instead of being repeated at the frame rate. `slides` (the
// slides the pictures show, with their start times) become the chapters and
// subtitles, as a recording's shown slides do.
bool ConvertStillPicturesAVIToX(const std::string& inputFile, const std::string& outputFile, int formatIndex,
                                double frameRate, int audioSampleRate, int audioBitRate, const ShownSlides& slides,
                                std::string* failure = nullptr);

}  // namespace kv
