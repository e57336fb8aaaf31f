#include "platform/media/VideoEncoderSetup.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/opt.h>
}

namespace kv::media {
namespace {

bool Offers(const AVCodec* codec, AVPixelFormat format) {
    if (!codec->pix_fmts) return false;
    for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
        if (*f == format) return true;
    return false;
}

bool Named(const AVCodec* codec, const char* name) { return std::strcmp(codec->name, name) == 0; }

// The quality factor (0-100, default 80; higher is always the better
// picture) on each encoder's own control. This is the one place it is mapped.
//  - H.264 (libx264, libx264rgb): crf = (100 - factor) / 2, so 80 gives
//    crf 10 (small text stays sharp: about 46 dB on slides) and 100 gives 0
//    (lossless).
//  - VP8/VP9 (libvpx, libvpx-vp9): crf = 4 + (100 - factor) * 0.59.
//  - Every other encoder: a fixed quantiser (qscale 1-31) through FFmpeg's
//    common quality setting, interpolated from the table below, so 80 gives
//    qscale 3 (legible text with MJPEG and MPEG-4). Encoders without such a
//    control (the lossless ones: Huffyuv, Ut Video, FFV1, PNG, ...) ignore it.
int QScaleFor(int factor) {
    static constexpr int kQScaleAtTens[11] = {31, 25, 20, 15, 11, 8, 6, 4, 3, 2, 1};
    const int low = factor / 10;
    if (low >= 10) return 1;
    const int a = kQScaleAtTens[low], b = kQScaleAtTens[low + 1];
    return a + ((b - a) * (factor % 10) - 5) / 10;  // rounded towards the better side
}

void ApplyQuality(AVCodecContext* ctx, AVDictionary** options, int factor) {
    const AVCodec* codec = ctx->codec;
    factor = std::clamp(factor, 0, 100);
    if (Named(codec, "libx264") || Named(codec, "libx264rgb")) {
        av_dict_set_int(options, "crf", H264CrfFor(factor), 0);
        return;
    }
    if (Named(codec, "libvpx") || Named(codec, "libvpx-vp9")) {
        av_dict_set_int(options, "crf", 4 + (100 - factor) * 59 / 100, 0);
        // VP9 takes a bit rate of 0 as pure constant quality; VP8 only knows
        // a capped quality, so its cap is set far above what slides need.
        ctx->bit_rate = Named(codec, "libvpx") ? 50'000'000 : 0;
        return;
    }
    ctx->flags |= AV_CODEC_FLAG_QSCALE;
    ctx->global_quality = FF_QP2LAMBDA * QScaleFor(factor);
}

// Every frame a key frame, and nothing held back for later frames, so each
// position of the stream can be decoded on its own.
void ApplyKeyFrames(AVCodecContext* ctx, AVDictionary** options) {
    ctx->gop_size = 1;
    ctx->keyint_min = 1;
    ctx->max_b_frames = 0;
    if (Named(ctx->codec, "libx264") || Named(ctx->codec, "libx264rgb")) {
        // "superfast" halves the file against "ultrafast" on slides (its
        // 4x4 and 8x8 intra blocks suit text) for about 7% more CPU.
        av_dict_set(options, "preset", kH264Preset, 0);
        // Threads within a picture rather than across pictures: each packet
        // comes out with its picture, so a still slide's one picture reaches
        // the file at once instead of waiting in the encoder for later ones
        // (a crash would lose it, and the whole still show with it).
        av_dict_set(options, "tune", "zerolatency", 0);
    }
}

}  // namespace

const char* const kH264Preset = "superfast";

int H264CrfFor(int qualityFactor) { return std::min(51, (100 - std::clamp(qualityFactor, 0, 100)) / 2); }

AVPixelFormat ChooseInputFormat(const AVCodec* codec) {
    if (!codec->pix_fmts) return AV_PIX_FMT_BGRA;
    for (AVPixelFormat same : {AV_PIX_FMT_BGR0, AV_PIX_FMT_BGRA})
        if (Offers(codec, same)) return same;
    int loss = 0;
    return avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, AV_PIX_FMT_BGRA, 0, &loss);
}

CodecContextPtr OpenVideoEncoder(const AVCodec* codec, int width, int height, int fps,
                                 int qualityFactor, int* error) {
    KeepLibavQuiet();
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!ctx) {
        *error = AVERROR(ENOMEM);
        return nullptr;
    }
    fps = std::max(fps, 1);
    ctx->width = width;
    ctx->height = height;
    ctx->time_base = AVRational{1, fps};
    ctx->framerate = AVRational{fps, 1};
    ctx->pix_fmt = ChooseInputFormat(codec);
    ctx->sample_aspect_ratio = AVRational{1, 1};
    AVDictionary* options = nullptr;
    ApplyKeyFrames(ctx.get(), &options);
    ApplyQuality(ctx.get(), &options, qualityFactor);
    *error = avcodec_open2(ctx.get(), codec, &options);
    av_dict_free(&options);
    if (*error < 0) return nullptr;
    return ctx;
}

}  // namespace kv::media
