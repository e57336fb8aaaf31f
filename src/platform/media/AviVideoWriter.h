#pragma once
// One video stream into an AVI file through libavformat's "avi" muxer.
// Frames go in as BGRA images at stream positions (units of 1/fps); a
// position never written stays an empty chunk, so the file's duration follows
// the positions, not the number of frames.
#include <deque>
#include <string>
#include <utility>

#include "platform/core/FrameImage.h"
#include "platform/media/FrameConverter.h"
#include "platform/media/LibavHandles.h"

namespace kv::media {

class AviVideoWriter {
public:
    enum class Result { Written, BadFrame, Failed };
    static constexpr long kHeldRepeats = 3;
    // Why Open could not open the encoder, if that is where it failed.
    enum class EncoderRefusal { None, NotFound, NoMemory, Unsupported, Other };

    AviVideoWriter() = default;
    ~AviVideoWriter();  // closes as Close does, ignoring failures
    AviVideoWriter(const AviVideoWriter&) = delete;
    AviVideoWriter& operator=(const AviVideoWriter&) = delete;

    // Replaces any file at `path`. False on failure, with the reason in *why.
    bool Open(const std::string& path, const std::string& encoderName, int width, int height,
              int fps, int qualityFactor, std::string* why);
    // Positions must increase. A frame of another size is placed at the top
    // left (cut or padded with black); it is never scaled.
    Result WriteFrame(const FrameImage& frame, long position, std::string* why);
    // Shows the last picture again at `position` without encoding it, for a
    // screen that did not change: the position gets an empty chunk, which
    // players and the merge take as the previous picture shown again (the
    // last kHeldRepeats positions of a stream that ends on repeats get the
    // picture itself).
    // BadFrame when !RepeatsAreExact().
    Result RepeatFrame(long position, std::string* why);
    // Whether repeats are exact: a picture was written and the encoder makes
    // every picture a key frame that stands alone.
    bool RepeatsAreExact() const;
    // Drains the encoder, ends the stream at the highest position asked for
    // and writes the index. False when anything could not be written.
    bool Close(std::string* why);
    bool IsOpen() const { return m_output != nullptr; }
    // The libav code of the last failure (0 when none).
    int LastError() const { return m_lastError; }
    EncoderRefusal Refusal() const;

private:
    bool FillFrame(const FrameImage& image);
    bool WritePackets(std::string* why);
    bool WritePacket(long position, std::string* why);
    bool TakePosition(long position, std::string* why);
    bool WriteRepeats(std::string* why);
    bool WriteLastRepeats(std::string* why);
    bool WriteEmptyUpTo(long position, std::string* why);
    bool Fail(std::string* why, const char* step, int error);

    OutputFormatPtr m_output;
    CodecContextPtr m_encoder;
    AVStream* m_stream = nullptr;
    FrameConverter m_converter;
    FramePtr m_frame;    // what the encoder gets
    FramePtr m_staging;  // BGRA at the stream's size, for frames of another size
    PacketPtr m_packet;
    PacketPtr m_lastPacket;  // the packet of position m_lastOut, for repeats
    long m_lastSent = -1;    // position of the last picture given to the encoder
    long m_lastOut = -1;     // position of the last packet it gave back
    long m_heldRepeat = -1;  // the latest repeat; it and the ones before it within kHeldRepeats are not in the file yet
    std::deque<std::pair<long, long>> m_repeats;  // (picture, position) waiting for the picture's packet
    long m_chunks = 0;            // chunks in the file so far (positions 0 .. m_chunks-1)
    long m_highestPosition = -1;  // highest position asked for
    bool m_failed = false;
    int m_lastError = 0;
    bool m_encoderRefused = false;
};

}  // namespace kv::media
