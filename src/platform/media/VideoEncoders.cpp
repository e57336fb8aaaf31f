#include "platform/media/VideoEncoders.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>

#include "platform/media/VideoEncoderSetup.h"

namespace kv {
namespace {

// Listed first, in this order; the first that opens is our default encoder
// (handler 0). libx264 with every frame an IDR frame, 4:4:4 and crf 18 was
// chosen by measurement on slide content at 1280x720@25 (see the avi-encode
// benchmark): about 1 MB/s, 48 dB PSNR, and no more CPU than MJPEG, which
// needs 1.6 MB/s for the same legibility.
constexpr const char* kPreferred[] = {
    "libx264", "mjpeg", "libx264rgb", "utvideo", "huffyuv", "ffvhuff", "ffv1",
    "magicyuv", "zmbv", "mpeg4", "msmpeg4", "libvpx", "libvpx-vp9", "png",
};
// Far too slow for live capture (over 100 ms for one small frame on the
// reference machine), or unable to close without frames sent.
constexpr const char* kTooSlow[] = {
    "cinepak", "libaom-av1", "librav1e", "libsvtav1", "snow", "jpeg2000", "libopenjpeg",
};
// Handler codes left out of the codec list, as the compressor list always did.
constexpr const char* kSkippedHandlers[] = {"i420", "xvid", "iyuv"};

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

// Encodes one grey frame and drains the encoder: true when exactly one
// packet came out and it is smaller than the raw BGRA frame (raw and
// uncompressed formats fill a disk in minutes).
bool EncodesOneFrame(AVCodecContext* ctx) {
    media::FramePtr frame(av_frame_alloc());
    media::PacketPtr packet(av_packet_alloc());
    if (!frame || !packet) return false;
    frame->format = ctx->pix_fmt;
    frame->width = ctx->width;
    frame->height = ctx->height;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return false;
    for (AVBufferRef* buffer : frame->buf)
        if (buffer) std::memset(buffer->data, 0x80, buffer->size);
    const bool sent = avcodec_send_frame(ctx, frame.get()) >= 0;
    avcodec_send_frame(ctx, nullptr);  // also lets encoders with threads close cleanly
    int packets = 0;
    long bytes = 0;
    while (avcodec_receive_packet(ctx, packet.get()) >= 0) {
        ++packets;
        bytes += packet->size;
        av_packet_unref(packet.get());
    }
    return sent && packets == 1 && bytes < static_cast<long>(ctx->width) * ctx->height * 2;
}

bool Usable(const AVCodec* codec, int width, int height) {
    for (auto [w, h] : {std::pair{kAwkwardWidth, kAwkwardHeight}, std::pair{width, height}}) {
        int error = 0;
        media::CodecContextPtr ctx = media::OpenVideoEncoder(codec, w, h, 25, 80, &error);
        if (!ctx || !EncodesOneFrame(ctx.get())) return false;
    }
    return true;
}

// Video encoders the AVI muxer stores, preferred ones first.
std::vector<const AVCodec*> Candidates() {
    std::vector<const AVCodec*> preferred, rest;
    void* iterator = nullptr;
    while (const AVCodec* codec = av_codec_iterate(&iterator)) {
        if (!av_codec_is_encoder(codec) || codec->type != AVMEDIA_TYPE_VIDEO) continue;
        if (InList(kTooSlow, codec->name) || AviTagOf(codec) == 0) continue;
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
    const int logLevel = av_log_get_level();
    av_log_set_level(AV_LOG_QUIET);  // probes of hardware encoders complain loudly
    width = std::max(2, width & ~1);
    height = std::max(2, height & ~1);
    std::vector<VideoCompressorInfo> table;
    for (const AVCodec* codec : Candidates()) {
        VideoCompressorInfo info = InfoOf(codec);
        if (InList(kSkippedHandlers, Lower(FourCCText(info.fccHandler)).c_str())) continue;
        if (static_cast<int>(table.size()) >= kMaxInstalledCompressors) break;
        if (DescriptionListed(table, info.description) || !Usable(codec, width, height)) continue;
        table.push_back(std::move(info));
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

VideoCompressorInfo DefaultVideoCompressor() {
    static const VideoCompressorInfo chosen = [] {
        for (const char* name : kPreferred) {
            const AVCodec* codec = avcodec_find_encoder_by_name(name);
            if (codec && AviTagOf(codec) != 0 && Usable(codec, 320, 240)) {
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
