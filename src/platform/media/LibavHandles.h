#pragma once
// Owning handles for FFmpeg's objects, so every path out of a function frees
// what it made, and the text of an FFmpeg error code for trace lines.
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace kv::media {

struct CodecContextFree {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct FrameFree {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsFree {
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};
struct InputFormatClose {
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
// An output context and its file: the file is closed, the context freed.
// Writing the trailer is the owner's job (it can fail and must be reported).
struct OutputFormatFree {
    void operator()(AVFormatContext* p) const {
        if (p->pb && !(p->oformat->flags & AVFMT_NOFILE)) avio_closep(&p->pb);
        avformat_free_context(p);
    }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFree>;
using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatClose>;
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatFree>;

// FFmpeg's own chatter (encoder statistics, warnings) stays out of the
// program's output; errors still show. Called by everything that opens files.
void KeepLibavQuiet();

// "No space left on device" and the like.
std::string AvErrorText(int error);

// Opens the local file `path` for reading and reads its stream information;
// null on failure with the FFmpeg error in *error. With `format` ("avi",
// "wav") the file is read as that format only, whatever it holds.
InputFormatPtr OpenInput(const std::string& path, int* error, const char* format = nullptr);

// An AVI output context on `path` with its file open for writing; null on
// failure with the FFmpeg error in *error.
OutputFormatPtr CreateAviOutput(const std::string& path, int* error);

}  // namespace kv::media
