#include "platform/media/AviVideoWriter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/media/AviChunks.h"
#include "platform/media/VideoEncoderSetup.h"
#include "platform/media/VideoEncoders.h"

namespace kv::media {
namespace {

FramePtr AllocateFrame(AVPixelFormat format, int width, int height) {
    FramePtr frame(av_frame_alloc());
    if (!frame) return nullptr;
    frame->format = format;
    frame->width = width;
    frame->height = height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return nullptr;
    return frame;
}

// Copies the overlap of `from` into `to` (BGRA, the stream's size); the rest black.
void CopyOverlap(const FrameImage& from, AVFrame* to) {
    const int width = std::min(from.width, to->width);
    const int height = std::min(from.height, to->height);
    for (int y = 0; y < to->height; ++y) {
        std::uint8_t* row = to->data[0] + static_cast<std::ptrdiff_t>(y) * to->linesize[0];
        const int copied = y < height ? width * 4 : 0;
        if (copied) std::memcpy(row, from.Row(y), copied);
        std::memset(row + copied, 0, static_cast<std::size_t>(to->width) * 4 - copied);
    }
}

}  // namespace

AviVideoWriter::~AviVideoWriter() {
    std::string ignored;
    Close(&ignored);
}

bool AviVideoWriter::Fail(std::string* why, const char* step, int error) {
    *why = std::string(step) + ": " + AvErrorText(error);
    m_failed = true;
    m_lastError = error;
    return false;
}

AviVideoWriter::EncoderRefusal AviVideoWriter::Refusal() const {
    if (!m_encoderRefused) return EncoderRefusal::None;
    if (m_lastError == AVERROR_ENCODER_NOT_FOUND) return EncoderRefusal::NotFound;
    if (m_lastError == AVERROR(ENOMEM)) return EncoderRefusal::NoMemory;
    if (m_lastError == AVERROR(EINVAL) || m_lastError == AVERROR(ENOSYS) || m_lastError == AVERROR_PATCHWELCOME)
        return EncoderRefusal::Unsupported;
    return EncoderRefusal::Other;
}

bool AviVideoWriter::Open(const std::string& path, const std::string& encoderName, int width,
                          int height, int fps, int qualityFactor, std::string* why) {
    std::string ignored;
    Close(&ignored);
    m_failed = false;
    m_lastError = 0;
    m_encoderRefused = false;
    m_chunks = 0;
    m_highestPosition = -1;
    m_lastSent = m_lastOut = m_heldRepeat = -1;
    m_repeats.clear();
    KeepLibavQuiet();
    const AVCodec* codec = avcodec_find_encoder_by_name(encoderName.c_str());
    m_encoderRefused = true;
    if (!codec) return Fail(why, ("no encoder " + encoderName).c_str(), AVERROR_ENCODER_NOT_FOUND);
    int error = 0;
    m_encoder = OpenVideoEncoder(codec, width, height, fps, qualityFactor, &error);
    if (!m_encoder) return Fail(why, "opening the encoder", error);
    m_encoderRefused = false;
    m_frame = AllocateFrame(m_encoder->pix_fmt, width, height);
    m_packet.reset(av_packet_alloc());
    m_lastPacket.reset(av_packet_alloc());
    if (!m_frame || !m_packet || !m_lastPacket) return Fail(why, "allocating a frame", AVERROR(ENOMEM));
    if (!m_converter.Open(width, height, m_encoder->pix_fmt))
        return Fail(why, "setting up the pixel conversion", AVERROR(EINVAL));
    std::remove(path.c_str());
    OutputFormatPtr output = CreateAviOutput(path, &error);
    if (!output) return Fail(why, "creating the file", error);
    // Every packet reaches the file at once: a recording cut off by a crash
    // keeps all but the last picture.
    output->flush_packets = 1;
    m_stream = avformat_new_stream(output.get(), nullptr);
    if (!m_stream) return Fail(why, "creating the stream", AVERROR(ENOMEM));
    avcodec_parameters_from_context(m_stream->codecpar, m_encoder.get());
    // Encoders that store variants under one codec (Ut Video's RGB and YUV
    // kinds) name their own FourCC; the others get the codec's usual one.
    if (m_stream->codecpar->codec_tag == 0) {
        const AVCodecTag* const tags[] = {avformat_get_riff_video_tags(), nullptr};
        m_stream->codecpar->codec_tag = av_codec_get_tag(tags, codec->id);
    }
    m_stream->time_base = m_encoder->time_base;
    m_stream->avg_frame_rate = m_encoder->framerate;
    av_dict_set(&m_stream->metadata, "title", "Video Stream", 0);
    error = avformat_write_header(output.get(), nullptr);
    if (error < 0) return Fail(why, "writing the header", error);
    m_output = std::move(output);
    return true;
}

bool AviVideoWriter::FillFrame(const FrameImage& image) {
    if (av_frame_make_writable(m_frame.get()) < 0) return false;
    const FrameImage* source = &image;
    FrameImage staged;
    if (image.width != m_frame->width || image.height != m_frame->height) {
        if (!m_staging) m_staging = AllocateFrame(AV_PIX_FMT_BGRA, m_frame->width, m_frame->height);
        if (!m_staging) return false;
        CopyOverlap(image, m_staging.get());
        staged = {m_staging->width, m_staging->height, m_staging->linesize[0], m_staging->data[0]};
        source = &staged;
    }
    return m_converter.Convert(*source, m_frame.get());
}

bool AviVideoWriter::TakePosition(long position, std::string* why) {
    if (position <= m_highestPosition) {
        *why = "position " + std::to_string(position) + " is not after " + std::to_string(m_highestPosition);
        return false;
    }
    m_highestPosition = position;
    return true;
}

AviVideoWriter::Result AviVideoWriter::WriteFrame(const FrameImage& frame, long position,
                                                  std::string* why) {
    if (!m_output) return Result::Written;
    if (!TakePosition(position, why)) return Result::Failed;
    if (frame.Empty() || frame.stride < frame.width * 4 || !FillFrame(frame)) {
        *why = "the frame's pixels cannot be read";
        return Result::BadFrame;
    }
    m_frame->pts = position;
    m_frame->pict_type = AV_PICTURE_TYPE_I;
    int error = avcodec_send_frame(m_encoder.get(), m_frame.get());
    if (error < 0) {
        Fail(why, "encoding", error);
        return Result::Failed;
    }
    m_lastSent = position;
    return WritePackets(why) ? Result::Written : Result::Failed;
}

bool AviVideoWriter::RepeatsAreExact() const {
    return m_encoder && m_encoder->gop_size <= 1 && m_encoder->max_b_frames == 0 && m_lastSent >= 0;
}

AviVideoWriter::Result AviVideoWriter::RepeatFrame(long position, std::string* why) {
    if (!m_output) return Result::Written;
    if (!RepeatsAreExact()) {
        *why = "no picture to repeat";
        return Result::BadFrame;
    }
    if (!TakePosition(position, why)) return Result::Failed;
    // An encoder with threads gives its packets back a few pictures late: the
    // repeat waits for the packet of the picture it repeats.
    m_repeats.emplace_back(m_lastSent, position);
    return WriteRepeats(why) ? Result::Written : Result::Failed;
}

// Writes the repeats whose picture's packet is out, as empty chunks: players
// show the last picture again for them, so a still screen costs a few bytes a
// frame instead of its key frame's data. The latest repeats are held back:
// when the recording ends on them, Close writes the picture at each, because
// the ffmpeg command stops at the last picture and, at a constant rate, gives
// it as long as the middle of the last three gaps between pictures (a still
// ending would be cut off or drawn out).
// A picture that did not become a key frame is not repeated: its positions
// stay empty until the next picture, as missed ones do.
bool AviVideoWriter::WriteRepeats(std::string* why) {
    while (!m_repeats.empty() && m_repeats.front().first <= m_lastOut) {
        const auto [picture, position] = m_repeats.front();
        m_repeats.pop_front();
        if (picture != m_lastOut || !(m_lastPacket->flags & AV_PKT_FLAG_KEY)) continue;
        if (!WriteEmptyUpTo(position + 1 - kHeldRepeats, why)) return false;
        m_heldRepeat = position;
    }
    return true;
}

// The held-back repeats at the end of the stream: the last picture again.
bool AviVideoWriter::WriteLastRepeats(std::string* why) {
    if (m_heldRepeat != m_highestPosition || m_heldRepeat < m_chunks) return true;
    for (long position = std::max(m_chunks, m_heldRepeat + 1 - kHeldRepeats); position <= m_heldRepeat; ++position) {
        const int error = av_packet_ref(m_packet.get(), m_lastPacket.get());
        if (error < 0) return Fail(why, "repeating a frame", error);
        if (!WritePacket(position, why)) return false;
    }
    return true;
}

bool AviVideoWriter::WriteEmptyUpTo(long position, std::string* why) {
    if (m_chunks >= position) return true;
    const int error = WriteEmptyChunks(m_output.get(), m_stream, m_encoder->time_base, m_chunks, position);
    if (error < 0) return Fail(why, "writing an empty chunk", error);
    m_chunks = position;
    return true;
}

bool AviVideoWriter::WritePackets(std::string* why) {
    for (;;) {
        int error = avcodec_receive_packet(m_encoder.get(), m_packet.get());
        if (error == AVERROR(EAGAIN) || error == AVERROR_EOF) return true;
        if (error < 0) return Fail(why, "encoding", error);
        const long position = static_cast<long>(m_packet->pts);
        av_packet_unref(m_lastPacket.get());
        error = av_packet_ref(m_lastPacket.get(), m_packet.get());
        if (error < 0) return Fail(why, "keeping a frame", error);
        if (!WritePacket(position, why)) return false;
        m_lastOut = position;
        if (!WriteRepeats(why)) return false;
    }
}

// Writes m_packet (then empties it) as the chunk of `position`.
bool AviVideoWriter::WritePacket(long position, std::string* why) {
    if (!WriteEmptyUpTo(position, why)) {
        av_packet_unref(m_packet.get());
        return false;
    }
    m_packet->stream_index = m_stream->index;
    m_packet->pts = m_packet->dts = position;
    av_packet_rescale_ts(m_packet.get(), m_encoder->time_base, m_stream->time_base);
    const int error = av_write_frame(m_output.get(), m_packet.get());
    av_packet_unref(m_packet.get());
    if (error < 0) return Fail(why, "writing a frame", error);
    m_chunks = position + 1;
    return true;
}

bool AviVideoWriter::Close(std::string* why) {
    if (!m_output) return true;
    bool ok = !m_failed;
    if (ok) {
        avcodec_send_frame(m_encoder.get(), nullptr);
        ok = WritePackets(why) && WriteLastRepeats(why) && WriteEmptyUpTo(m_highestPosition + 1, why);
    }
    int error = av_write_trailer(m_output.get());
    if (ok && error < 0) ok = Fail(why, "writing the index", error);
    if (m_output->pb) {
        avio_flush(m_output->pb);
        error = m_output->pb->error;
        if (ok && error < 0) ok = Fail(why, "writing the file", error);
        error = avio_closep(&m_output->pb);
        if (ok && error < 0) ok = Fail(why, "closing the file", error);
    }
    m_output.reset();
    m_encoder.reset();
    m_frame.reset();
    m_staging.reset();
    m_packet.reset();
    m_lastPacket.reset();
    m_stream = nullptr;
    return ok;
}

}  // namespace kv::media
