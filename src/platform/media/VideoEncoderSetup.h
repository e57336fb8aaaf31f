#pragma once
// How every video encoder is opened for our recordings: the input pixel
// format (the encoder's own RGB layout where it has one, so BGRA frames need
// no conversion), every frame a key frame, and the quality factor mapped onto
// the encoder's own quality control. The enumeration's probe and the AVI
// writer both open encoders here, so what the codec list offers is what the
// writer gets.
#include "platform/media/LibavHandles.h"

namespace kv::media {

// The pixel format the encoder is fed with; BGR0 (the same bytes as BGRA,
// alpha ignored) or BGRA where the encoder takes it.
AVPixelFormat ChooseInputFormat(const AVCodec* codec);

// The constant-quality value (crf) and the preset that libx264 gets.
int H264CrfFor(int qualityFactor);
extern const char* const kH264Preset;

// An open encoder for width x height at `fps` frames per second; null on
// failure with the FFmpeg error in *error. `qualityFactor` is 0-100, higher
// is better.
CodecContextPtr OpenVideoEncoder(const AVCodec* codec, int width, int height, int fps,
                                 int qualityFactor, int* error);

}  // namespace kv::media
