#include "platform/media/AviJoin.h"

#include <cstdio>
#include <map>

#include "platform/media/AviChunks.h"
#include "platform/media/LibavHandles.h"

namespace kv::media {
namespace {

// A piece's file, read once from its start: the pieces of one file come in
// the order of their positions. A packet read past a piece waits for the next.
struct PieceReader {
    InputFormatPtr input;
    AVStream* stream = nullptr;
    PacketPtr pending{av_packet_alloc()};
    bool hasPending = false;
};

class Joiner {
public:
    explicit Joiner(std::string* why) : m_why(why) {}

    bool Open(const std::string& output, const std::string& first) {
        int error = 0;
        PieceReader* reader = Reader(first);
        if (!reader) return false;
        m_output = CreateAviOutput(output, &error);
        if (!m_output) return Fail("creating " + output, error);
        m_stream = avformat_new_stream(m_output.get(), nullptr);
        if (!m_stream || avcodec_parameters_copy(m_stream->codecpar, reader->stream->codecpar) < 0)
            return Fail("making the stream", AVERROR(ENOMEM));
        m_base = reader->stream->time_base;
        m_stream->time_base = m_base;
        m_stream->avg_frame_rate = reader->stream->avg_frame_rate;
        m_stream->r_frame_rate = reader->stream->r_frame_rate;
        if ((error = avformat_write_header(m_output.get(), nullptr)) < 0) return Fail("writing the header", error);
        return true;
    }

    bool Copy(const AviPiece& piece) {
        PieceReader* reader = Reader(piece.file);
        if (!reader) return false;
        AVPacket* packet = reader->pending.get();
        for (;;) {
            if (!reader->hasPending) {
                av_packet_unref(packet);
                const int read = av_read_frame(reader->input.get(), packet);
                if (read == AVERROR_EOF) return true;
                if (read < 0) return Fail("reading " + piece.file, read);
                if (packet->stream_index != reader->stream->index || packet->size == 0) continue;
            }
            const std::int64_t at = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
            const long source = static_cast<long>(av_rescale_q(at, reader->stream->time_base, m_base));
            reader->hasPending = source >= piece.to;
            if (reader->hasPending) return true;
            if (source >= piece.from && !Write(packet, source + piece.offset)) return false;
        }
    }

    bool Close(long positions) {
        bool ok = true;
        if (m_written < positions && m_last) {
            // The last picture again at the very end.
            ok = Fill(positions - 1) && Write(m_last.get(), positions - 1);
        }
        ok = ok && Fill(positions);
        const int trailer = av_write_trailer(m_output.get());
        if (ok && trailer < 0) ok = Fail("writing the index", trailer);
        avio_flush(m_output->pb);
        if (ok && m_output->pb->error < 0) ok = Fail("writing the file", m_output->pb->error);
        const int closed = avio_closep(&m_output->pb);
        if (ok && closed < 0) ok = Fail("closing the file", closed);
        return ok;
    }

private:
    PieceReader* Reader(const std::string& file) {
        auto found = m_readers.find(file);
        if (found != m_readers.end()) return &found->second;
        int error = 0;
        PieceReader reader;
        reader.input = OpenInput(file, &error);
        if (!reader.input) return Fail("opening " + file, error), nullptr;
        const int index = av_find_best_stream(reader.input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (index < 0) return Fail("no video in " + file, index), nullptr;
        reader.stream = reader.input->streams[index];
        return &m_readers.emplace(file, std::move(reader)).first->second;
    }

    bool Fill(long upTo) {
        if (upTo <= m_written) return true;
        const int error = WriteEmptyChunks(m_output.get(), m_stream, m_base, m_written, upTo);
        if (error < 0) return Fail("writing an empty chunk", error);
        m_written = upTo;
        return true;
    }

    bool Write(AVPacket* packet, long position) {
        if (position < m_written) return true;  // pieces never go back
        if (!Fill(position)) return false;
        if (!m_last) m_last.reset(av_packet_alloc());
        if (m_last.get() != packet) {
            av_packet_unref(m_last.get());
            if (av_packet_ref(m_last.get(), packet) < 0) return Fail("keeping a picture", AVERROR(ENOMEM));
        }
        PacketPtr copy(av_packet_clone(packet));
        if (!copy) return Fail("copying a picture", AVERROR(ENOMEM));
        copy->stream_index = m_stream->index;
        copy->pts = copy->dts = position;
        copy->pos = -1;
        copy->duration = 1;
        av_packet_rescale_ts(copy.get(), m_base, m_stream->time_base);
        const int error = av_write_frame(m_output.get(), copy.get());
        if (error < 0) return Fail("writing a picture", error);
        m_written = position + 1;
        return true;
    }

    bool Fail(const std::string& step, int error) {
        *m_why = step + ": " + AvErrorText(error);
        return false;
    }

    std::string* m_why;
    std::map<std::string, PieceReader> m_readers;
    OutputFormatPtr m_output;
    AVStream* m_stream = nullptr;
    AVRational m_base{1, 25};
    PacketPtr m_last;
    long m_written = 0;  // positions in the joined stream so far
};

}  // namespace

bool JoinAviPieces(const std::vector<AviPiece>& pieces, long positions, const std::string& output, std::string* why) {
    if (pieces.empty()) return *why = "nothing to join", false;
    KeepLibavQuiet();
    bool ok;
    {
        Joiner joiner(why);
        ok = joiner.Open(output, pieces.front().file);
        for (size_t i = 0; ok && i < pieces.size(); ++i) ok = joiner.Copy(pieces[i]);
        ok = ok && joiner.Close(positions);
    }
    if (!ok) std::remove(output.c_str());
    return ok;
}

}  // namespace kv::media
