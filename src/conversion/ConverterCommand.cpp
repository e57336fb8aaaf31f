// The ffmpeg command for each output format. The command is a list of
// pieces: text pieces carry their own blanks (where two meet the command
// has two blanks, as it always had) and split into arguments at blanks;
// path pieces are written between double quotes and passed as one argument.
#include <cstdio>

#include "conversion/ConvertAVIToX.h"
#include "conversion/OutputFormats.h"

namespace kv {

namespace {

struct Piece {
    std::string text;
    bool path = false;
};

std::string Format(const char* format, auto value) {
    char buffer[64] = {};
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

// MPEG-1 lists no frame rate below 23.976, and ffmpeg refuses the ones
// below it (5, 10, 12, 15 fps are only unofficial extensions there). Those
// are written as PAL's 25: ffmpeg repeats frames, so the timing stays right.
double Mpeg1FrameRate(double rate) { return rate < 23.976 ? 25.0 : rate; }

// The pieces between the input and the output file; empty for AVI and for
// indexes that are no converted format.
std::vector<std::string> MiddlePieces(int formatIndex, double frameRate, int sampleRate, int bitRate,
                                      bool supportPowerPlugs) {
    const std::string rate = Format(" -r %.2f ", frameRate);
    const std::string mpeg1Rate = Format(" -r %.2f ", Mpeg1FrameRate(frameRate));
    const std::string sample = Format(" -ar %ld ", static_cast<long>(sampleRate));
    // Audio bit rates are kbit/s; ffmpeg reads a bare number as bit/s.
    const std::string bits = Format(" -ab %ldk ", static_cast<long>(bitRate));
    const std::string frameSize = supportPowerPlugs ? "-s 704x576 " : "";
    switch (formatIndex) {
    case FORMAT_WMV: return {rate, " -b 2496k -g 15 ", bits};
    // mp2 takes 224k/256k only at 32-48 kHz; DVD sound is 48 kHz.
    case FORMAT_MPEG1: return {" -vcodec mpeg1video ", mpeg1Rate, "-b 2496k -g 15 -f mpeg -ab 224k -ar 44100 "};
    case FORMAT_MPEG2: return {" -vcodec mpeg2video ", rate, "-b 2496k -g 15 -f dvd -ab 256k -ar 48000 "};
    case FORMAT_MP4: return {" -vcodec mpeg4 ", rate, "-b 2496k -g 15 -f mp4 ", bits};
    case FORMAT_FLV: return {rate, "-b 1152k -g 15 -f flv ", bits, sample};
    // MPEG-4 video takes any frame size; this ffmpeg has no AMR encoder.
    case FORMAT_3G2:
        return {" -vcodec mpeg4 ", rate, frameSize + "-b 1152k -g 15 -ar 8000 -ac 1 -acodec aac -f 3g2 ", bits};
    case FORMAT_3GP:
        return {" -vcodec mpeg4 ", rate, frameSize + "-b 1152k -g 15 -ar 8000 -ac 1 -acodec aac -f 3gp ", bits};
    case FORMAT_SWF: return {rate, "-b 2496k -g 15 -f swf ", bits, sample};
    case FORMAT_MOV: return {rate, "-b 2496k -g 15 -f mov ", bits};
    case FORMAT_ASF: return {rate, "-b 2496k -g 15 -f asf ", bits};
    default: return {};
    }
}

void AppendWords(const std::string& text, std::vector<std::string>& argv) {
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find(' ', start);
        if (end != start) argv.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
}

}  // namespace

ConverterCommand BuildConverterCommand(const std::string& inputFile, const std::string& outputFile, int formatIndex,
                                       double frameRate, int audioSampleRate, int audioBitRate,
                                       bool supportPowerPlugs) {
    std::vector<Piece> pieces;
    const auto middle = MiddlePieces(formatIndex, frameRate, audioSampleRate, audioBitRate, supportPowerPlugs);
    if (!middle.empty()) {
        pieces.push_back({" -y -i "});
        pieces.push_back({inputFile, true});
        for (const auto& text : middle) pieces.push_back({text});
        pieces.push_back({outputFile, true});
    }
    ConverterCommand command{"ffmpeg", {"ffmpeg"}};
    for (const auto& piece : pieces) {
        if (piece.path) {
            command.text += '"' + piece.text + '"';
            command.argv.push_back(piece.text);
        } else {
            command.text += piece.text;
            AppendWords(piece.text, command.argv);
        }
    }
    return command;
}

}  // namespace kv
