// The ffmpeg command for each output format. The command is a list of
// pieces: text pieces carry their own blanks (where two meet the command
// has two blanks, as it always had) and split into arguments at blanks;
// path pieces are written between double quotes and passed as one argument.
#include <algorithm>
#include <cmath>
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
// are written as PAL's 25: the fps filter repeats frames, so the timing stays right.
double Mpeg1FrameRate(double rate) { return rate < 23.976 ? 25.0 : rate; }

// A key frame at least every 10 s, so seeking is never far off; scene-cut
// detection adds one at each slide change (keyint_min 1 lets it).
std::string KeyFramePiece(double frameRate) {
    const int frames = std::max(1, static_cast<int>(std::lround(frameRate * 10)));
    return Format("-g %d -keyint_min 1 ", frames);
}

// The video filters of a command, `placement` first ("fps=30.00," or empty).
std::string VideoFilterPiece(const std::string& placement, const std::string& filters) {
    std::string chain = placement + filters;
    if (!chain.empty() && chain.back() == ',') chain.pop_back();
    return chain.empty() ? "" : "-vf " + chain + " ";
}

// 4:2:0 needs even sides; a capture size may be odd, so the last row or
// column goes rather than the conversion failing.
const char* const kEvenSize = "crop=trunc(iw/2)*2:trunc(ih/2)*2";

// H.264 High 4:2:0, the one H.264 flavour every browser, phone and player
// decodes; quality through crf (see ConversionCrf), level chosen by x264 to
// fit the size and rate.
std::string H264Pieces(double frameRate, int qualityFactor, const std::string& placement) {
    return "-vcodec libx264 -profile:v high -pix_fmt yuv420p -preset veryfast" +
           Format(" -crf %d ", ConversionCrf(qualityFactor)) + KeyFramePiece(frameRate) +
           VideoFilterPiece(placement, kEvenSize);
}

// VP9 4:2:0 at realtime speed with row multithreading: on two cores a 720p
// show converts in well under its own length; crf with no bit-rate cap.
std::string Vp9Pieces(double frameRate, int qualityFactor, const std::string& placement) {
    return "-vcodec libvpx-vp9 -pix_fmt yuv420p -deadline realtime -cpu-used 8 -row-mt 1 -b:v 0" +
           Format(" -crf %d ", std::min(63, ConversionCrf(qualityFactor) + 10)) + KeyFramePiece(frameRate) +
           VideoFilterPiece(placement, kEvenSize);
}

// An animated GIF: at most 10 fps and 800 px wide, one palette made from the
// whole video first (palettegen reads every frame before paletteuse starts).
// Its own fps filter places every picture.
std::string GifPieces(double frameRate) {
    const double rate = std::min(frameRate > 0 ? frameRate : 10.0, 10.0);
    return Format("-vf fps=%.2f", rate) +
           ",scale=min(800\\,iw):-1:flags=lanczos,split[a][b];[a]palettegen[p];[b][p]paletteuse -an -f gif ";
}

// What phones decode of MPEG-4 video: Simple Profile, level 4a (up to 640x480
// at 30 fps and 4 Mb/s), so a larger capture is made smaller, keeping its
// shape. The fixed 704x576 frame needs level 5. ffmpeg would label either
// level 1 (QCIF), which a strict player refuses for anything larger.
std::string PhoneVideoPiece(bool fixedFrameSize, const std::string& placement) {
    return fixedFrameSize ? VideoFilterPiece(placement, "") + "-s 704x576 -level 5 "
                          : VideoFilterPiece(placement,
                                             "scale=w=min(640\\,iw):h=min(480\\,ih):force_original_aspect_ratio="
                                             "decrease:force_divisible_by=2") +
                                "-level 4 ";
}

// MPEG-1, MPEG-2 and SWF store no time per frame: players show frame after
// frame at the stream's rate, so every position needs a picture of its own.
bool HasConstantFrameRate(int formatIndex) {
    return formatIndex == FORMAT_MPEG1 || formatIndex == FORMAT_MPEG2 || formatIndex == FORMAT_SWF;
}

// Where the recording holds no picture (an unchanged position), ffmpeg's
// constant-rate output repeats the last picture one time too few and starts
// the next one a frame early, ahead of its sound. The fps filter ahead of
// the others puts every picture at exactly its own positions, and the video
// keeps its constant rate. Held pictures of a rendered presentation instead
// keep their own times (kOwnFrameTimes) where the format stores them, so a
// still slide stays one frame.
bool KeepsOwnFrameTimes(int formatIndex, bool ownFrameTimes) {
    return ownFrameTimes && !HasConstantFrameRate(formatIndex);
}
std::string PlacementFilter(int formatIndex, double frameRate, bool ownFrameTimes) {
    if (formatIndex == FORMAT_GIF || KeepsOwnFrameTimes(formatIndex, ownFrameTimes)) return "";
    return Format("fps=%.2f,", formatIndex == FORMAT_MPEG1 ? Mpeg1FrameRate(frameRate) : frameRate);
}
const char* const kOwnFrameTimes = "-fps_mode vfr ";

// The pieces between the input and the output file; empty for indexes that
// are no output format.
std::vector<std::string> MiddlePieces(int formatIndex, double frameRate, int sampleRate, int bitRate,
                                      bool supportPowerPlugs, int qualityFactor, bool ownFrameTimes) {
    const std::string rate = Format(" -r %.2f ", frameRate);
    const std::string mpeg1Rate = Format(" -r %.2f ", Mpeg1FrameRate(frameRate));
    const std::string sample = Format(" -ar %ld ", static_cast<long>(sampleRate));
    // Audio bit rates are kbit/s; ffmpeg reads a bare number as bit/s.
    const std::string bits = Format(" -ab %ldk ", static_cast<long>(bitRate));
    const std::string placement = PlacementFilter(formatIndex, frameRate, ownFrameTimes);
    const std::string filters = VideoFilterPiece(placement, "");
    const std::string frameSize = PhoneVideoPiece(supportPowerPlugs, placement);
    switch (formatIndex) {
    // Only for a recording of our default encoder (see PlayableAvi.h); the
    // PCM sound is kept, and no B-frames, which some AVI players mishandle.
    case FORMAT_AVI: return {rate, H264Pieces(frameRate, qualityFactor, placement), "-bf 0 -acodec copy -f avi "};
    case FORMAT_WMV: return {rate, filters, " -b 2496k -g 15 ", bits};
    // mp2 takes 224k/256k only at 32-48 kHz; DVD sound is 48 kHz.
    case FORMAT_MPEG1: return {" -vcodec mpeg1video ", filters, mpeg1Rate, "-b 2496k -g 15 -f mpeg -ab 224k -ar 44100 "};
    case FORMAT_MPEG2: return {" -vcodec mpeg2video ", filters, rate, "-b 2496k -g 15 -f dvd -ab 256k -ar 48000 "};
    // AAC-LC at 44.1 kHz: the recording's 11.025 kHz is not decoded everywhere.
    // The index goes before the data so a browser can start playing at once.
    case FORMAT_MP4:
        return {rate, H264Pieces(frameRate, qualityFactor, placement),
                " -acodec aac -ar 44100 -movflags +faststart -f mp4 ", bits};
    case FORMAT_FLV: return {rate, filters, "-b 1152k -g 15 -f flv ", bits, sample};
    // MPEG-4 video takes any frame size; this ffmpeg has no AMR encoder.
    case FORMAT_3G2:
        return {" -vcodec mpeg4 ", rate, frameSize + "-b 1152k -g 15 -ar 8000 -ac 1 -acodec aac -f 3g2 ", bits};
    case FORMAT_3GP:
        return {" -vcodec mpeg4 ", rate, frameSize + "-b 1152k -g 15 -ar 8000 -ac 1 -acodec aac -f 3gp ", bits};
    case FORMAT_SWF: return {rate, filters, "-b 2496k -g 15 -f swf ", bits, sample};
    case FORMAT_MOV:
        return {rate, H264Pieces(frameRate, qualityFactor, placement),
                " -acodec aac -ar 44100 -movflags +faststart -f mov ", bits};
    case FORMAT_ASF: return {rate, filters, "-b 2496k -g 15 -f asf ", bits};
    // Opus takes 48 kHz (of the rates a recording has).
    case FORMAT_WEBM:
        return {rate, Vp9Pieces(frameRate, qualityFactor, placement), " -acodec libopus -ar 48000 -f webm ", bits};
    case FORMAT_GIF: return {" ", GifPieces(frameRate)};
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

int ConversionCrf(int qualityFactor) { return 18 + (100 - std::clamp(qualityFactor, 0, 100)) / 4; }

ConverterCommand BuildConverterCommand(const std::string& inputFile, const std::string& outputFile, int formatIndex,
                                       double frameRate, int audioSampleRate, int audioBitRate,
                                       bool supportPowerPlugs, int qualityFactor, const ChapterInput& chapters,
                                       bool ownFrameTimes) {
    std::vector<Piece> pieces;
    const auto middle = MiddlePieces(formatIndex, frameRate, audioSampleRate, audioBitRate, supportPowerPlugs,
                                     qualityFactor, ownFrameTimes);
    if (!middle.empty()) {
        pieces.push_back({" -y -i "});
        pieces.push_back({inputFile, true});
        // Inputs come before every output option.
        int inputs = 1;
        std::string maps = " -map 0 ";
        for (const std::string* extra : {&chapters.metadataFile, &chapters.subtitleFile}) {
            if (extra->empty()) continue;
            pieces.push_back({" -i "});
            pieces.push_back({*extra, true});
            const std::string input = std::to_string(inputs++);
            maps += extra == &chapters.metadataFile ? "-map_metadata " + input + " -map_chapters " + input + " "
                                                    : "-map " + input + " -c:s " + chapters.subtitleCodec + " ";
        }
        if (inputs > 1) pieces.push_back({maps});
        for (const auto& text : middle) pieces.push_back({text});
        if (!chapters.keyFrameTimes.empty()) pieces.push_back({"-force_key_frames " + chapters.keyFrameTimes + " "});
        if (KeepsOwnFrameTimes(formatIndex, ownFrameTimes)) pieces.push_back({kOwnFrameTimes});
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
