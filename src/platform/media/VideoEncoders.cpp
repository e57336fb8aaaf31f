#include "platform/media/VideoEncoders.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavutil/imgutils.h>
}

#include "platform/media/VideoEncoderSetup.h"

namespace kv {
namespace {

// Listed first, in this order; the first that opens is our default encoder
// (handler 0). Chosen by measurement on slides at 1280x720@25 (the
// avi-encode benchmark): libx264, every frame an IDR frame, 4:4:4, preset
// superfast, crf 10 at the default quality: about 0.7 MB/s at 45-46 dB PSNR
// for 0.2 CPU seconds per recorded second. MJPEG needs 1.6 MB/s and more CPU
// for the same legibility, MPEG-4 part 2 blurs coloured edges (41 dB), and
// the lossless ones (Ut Video, Huffyuv, libx264rgb) need 3-18 MB/s.
constexpr const char* kPreferred[] = {
    "libx264", "mjpeg", "libx264rgb", "utvideo", "huffyuv", "ffvhuff", "ffv1",
    "magicyuv", "zmbv", "mpeg4", "msmpeg4", "libvpx", "libvpx-vp9", "png",
};
// Left out whatever the probe says: far too slow for live capture (over
// 100 ms for one small frame on the reference machine), unable to close
// without frames sent (SVT-AV1), key frames only now and then after the
// first few (Microsoft Video-1), or leaking memory when it fails to open
// without its device (MJPEG on Quick Sync, FFmpeg 5.1).
constexpr const char* kUnsuitable[] = {
    "cinepak", "libaom-av1", "librav1e", "libsvtav1", "snow", "jpeg2000", "libopenjpeg", "msvideo1", "mjpeg_qsv",
};
// Handler codes left out of the codec list, as the compressor list always did.
constexpr const char* kSkippedHandlers[] = {"i420", "xvid", "iyuv"};

constexpr int kProbeFrames = 3;
constexpr int kAwkwardWidth = 332;  // multiples of 4, not of 8
constexpr int kAwkwardHeight = 188;

template <std::size_t N>
bool InList(const char* const (&list)[N], const char* name) {
    return std::any_of(std::begin(list), std::end(list),
                       [&](const char* entry) { return std::strcmp(entry, name) == 0; });
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::uint32_t AviTagOf(const AVCodec* codec) {
    static const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
    if (!avi || avformat_query_codec(avi, codec->id, FF_COMPLIANCE_NORMAL) != 1) return 0;
    const AVCodecTag* const tags[] = {avformat_get_riff_video_tags(), nullptr};
    return av_codec_get_tag(tags, codec->id);
}

// True when FFmpeg's own decoder makes a picture of the packet again.
bool DecodesBack(const AVCodecContext* encoder, const AVPacket* packet) {
    const AVCodec* codec = avcodec_find_decoder(encoder->codec_id);
    if (!codec) return false;
    media::CodecContextPtr decoder(avcodec_alloc_context3(codec));
    media::FramePtr frame(av_frame_alloc());
    if (!decoder || !frame) return false;
    decoder->width = encoder->width;
    decoder->height = encoder->height;
    decoder->pix_fmt = encoder->pix_fmt;
    decoder->codec_tag = encoder->codec_tag;
    if (encoder->extradata_size > 0) {
        decoder->extradata = static_cast<std::uint8_t*>(av_mallocz(encoder->extradata_size + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!decoder->extradata) return false;
        std::memcpy(decoder->extradata, encoder->extradata, encoder->extradata_size);
        decoder->extradata_size = encoder->extradata_size;
    }
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0 || avcodec_send_packet(decoder.get(), packet) < 0) return false;
    avcodec_send_packet(decoder.get(), nullptr);
    return avcodec_receive_frame(decoder.get(), frame.get()) >= 0 && frame->width == encoder->width;
}

// Encodes three grey frames and drains the encoder: true when three key-frame
// packets came out, each well under the raw size of the picture (raw and
// uncompressed formats fill a disk in minutes), and the first decodes again.
bool EncodesKeyFrames(AVCodecContext* ctx) {
    media::FramePtr frame(av_frame_alloc());
    media::PacketPtr packet(av_packet_alloc()), first(av_packet_alloc());
    if (!frame || !packet || !first) return false;
    frame->format = ctx->pix_fmt;
    frame->width = ctx->width;
    frame->height = ctx->height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return false;
    const int rawSize = av_image_get_buffer_size(ctx->pix_fmt, ctx->width, ctx->height, 1);
    bool sent = true;
    int packets = 0, keys = 0;
    bool small = true;
    auto drain = [&] {
        while (avcodec_receive_packet(ctx, packet.get()) >= 0) {
            keys += (packet->flags & AV_PKT_FLAG_KEY) ? 1 : 0;
            small = small && packet->size < rawSize * 3 / 4;
            if (packets++ == 0) av_packet_ref(first.get(), packet.get());
            av_packet_unref(packet.get());
        }
    };
    for (int pts = 0; pts < kProbeFrames; ++pts) {
        if (av_frame_make_writable(frame.get()) < 0) return false;
        for (AVBufferRef* buffer : frame->buf)
            if (buffer) std::memset(buffer->data, 0x40 + 0x38 * pts, buffer->size);
        frame->pts = pts;
        sent = avcodec_send_frame(ctx, frame.get()) >= 0 && sent;
        drain();
    }
    avcodec_send_frame(ctx, nullptr);  // also lets encoders with threads close cleanly
    drain();
    return sent && packets == kProbeFrames && keys == kProbeFrames && small && DecodesBack(ctx, first.get());
}

// The FourCC the encoder writes when it is usable, else 0: the full round
// trip at the awkward size, and an encoder that opens at the asked size.
// Probed at the default frame rate of 5, which MPEG-1 for one cannot store.
std::uint32_t UsableTag(const AVCodec* codec, int width, int height) {
    int error = 0;
    media::CodecContextPtr awkward = media::OpenVideoEncoder(codec, kAwkwardWidth, kAwkwardHeight, 5, 80, &error);
    if (!awkward || !EncodesKeyFrames(awkward.get())) return 0;
    media::CodecContextPtr asked = media::OpenVideoEncoder(codec, width, height, 5, 80, &error);
    if (!asked) return 0;
    avcodec_send_frame(asked.get(), nullptr);
    return awkward->codec_tag ? awkward->codec_tag : AviTagOf(codec);
}

// Video encoders the AVI muxer stores, preferred ones first.
std::vector<const AVCodec*> Candidates() {
    std::vector<const AVCodec*> preferred, rest;
    void* iterator = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&iterator)) {
        if (!av_codec_is_encoder(codec) || codec->type != AVMEDIA_TYPE_VIDEO) continue;
        if (InList(kUnsuitable, codec->name) || AviTagOf(codec) == 0) continue;
        (InList(kPreferred, codec->name) ? preferred : rest).push_back(codec);
    }
    auto rank = [](const AVCodec* c) {
        return std::find_if(std::begin(kPreferred), std::end(kPreferred),
                            [&](const char* n) { return std::strcmp(n, c->name) == 0; }) -
               std::begin(kPreferred);
    };
    std::stable_sort(preferred.begin(), preferred.end(),
                     [&](const AVCodec* a, const AVCodec* b) { return rank(a) < rank(b); });
    preferred.insert(preferred.end(), rest.begin(), rest.end());
    return preferred;
}

bool DescriptionListed(const std::vector<VideoCompressorInfo>& table, const std::string& description) {
    const std::string lower = Lower(description);
    return std::any_of(table.begin(), table.end(), [&](const VideoCompressorInfo& info) {
        return Lower(info.description).rfind(lower, 0) == 0;
    });
}

VideoCompressorInfo InfoOf(const AVCodec* codec) {
    VideoCompressorInfo info;
    info.fccHandler = AviTagOf(codec);
    info.name = codec->name;
    info.description = codec->long_name ? codec->long_name : codec->name;
    return info;
}

bool SkippedHandler(std::uint32_t handler) {
    return InList(kSkippedHandlers, Lower(FourCCText(handler)).c_str());
}

std::mutex g_tableMutex;
std::vector<VideoCompressorInfo> g_table;
bool g_tableFilled = false;

}  // namespace

std::string FourCCText(std::uint32_t code) {
    std::string text(4, '.');
    for (int i = 0; i < 4; ++i) {
        const unsigned char c = static_cast<unsigned char>(code >> (8 * i));
        if (std::isprint(c)) text[i] = static_cast<char>(c);
    }
    return text;
}

std::vector<VideoCompressorInfo> EnumerateVideoCompressors(int width, int height) {
    media::KeepLibavQuiet();
    const int logLevel = av_log_get_level();
    av_log_set_level(AV_LOG_QUIET);  // probes of hardware encoders complain loudly
    width = std::max(2, width & ~1);
    height = std::max(2, height & ~1);
    std::vector<VideoCompressorInfo> table;
    for (const AVCodec* codec : Candidates()) {
        VideoCompressorInfo info = InfoOf(codec);
        if (SkippedHandler(info.fccHandler)) continue;
        if (static_cast<int>(table.size()) >= kMaxInstalledCompressors) break;
        if (DescriptionListed(table, info.description)) continue;
        info.fccHandler = UsableTag(codec, width, height);  // the encoder may name its own
        if (info.fccHandler != 0 && !SkippedHandler(info.fccHandler)) table.push_back(std::move(info));
    }
    av_log_set_level(logLevel);
    return table;
}

void SetInstalledCompressors(std::vector<VideoCompressorInfo> table) {
    std::lock_guard lock(g_tableMutex);
    g_table = std::move(table);
    g_tableFilled = true;
}

std::vector<VideoCompressorInfo> InstalledCompressors() {
    std::lock_guard lock(g_tableMutex);
    return g_table;
}

bool InstalledCompressorsFilled() {
    std::lock_guard lock(g_tableMutex);
    return g_tableFilled;
}

int FindCompressorByDescription(const std::vector<VideoCompressorInfo>& table,
                                std::string_view description) {
    const std::string wanted = Lower(description);
    for (std::size_t i = 0; i < table.size(); ++i)
        if (Lower(table[i].description) == wanted) return static_cast<int>(i);
    return -1;
}

VideoCompressorInfo FindVideoCompressor(std::string_view description) {
    const std::string wanted = Lower(description);
    for (const AVCodec* codec : Candidates()) {
        VideoCompressorInfo info = InfoOf(codec);
        if (Lower(info.description) != wanted) continue;
        info.fccHandler = UsableTag(codec, kAwkwardWidth, kAwkwardHeight);
        if (info.fccHandler != 0 && !SkippedHandler(info.fccHandler)) return info;
    }
    return VideoCompressorInfo{};
}

VideoCompressorInfo DefaultVideoCompressor() {
    static const VideoCompressorInfo chosen = [] {
        for (const char* name : kPreferred) {
            const AVCodec* codec = avcodec_find_encoder_by_name(name);
            if (codec && AviTagOf(codec) != 0 && UsableTag(codec, 320, 240) != 0) {
                VideoCompressorInfo info = InfoOf(codec);
                info.fccHandler = 0;
                return info;
            }
        }
        return VideoCompressorInfo{};
    }();
    return chosen;
}

}  // namespace kv
