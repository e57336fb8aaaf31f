#include "platform/media/PictureFile.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "platform/media/LibavHandles.h"

namespace kv::media {

namespace {

bool Fail(std::string* why, const std::string& path, const std::string& reason, const char* verb = "read") {
    if (why) *why = std::string("cannot ") + verb + " the picture " + path + ": " + reason;
    return false;
}

}  // namespace

bool ReadPictureFile(const std::string& path, int width, int height, OwnedPicture& picture, std::string* why) {
    KeepLibavQuiet();
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) return Fail(why, path, "empty or missing");
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_PNG);
    CodecContextPtr decoder(codec ? avcodec_alloc_context3(codec) : nullptr);
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    if (!decoder || !packet || !frame) return Fail(why, path, "no PNG decoder");
    int error = avcodec_open2(decoder.get(), codec, nullptr);
    if (error >= 0) error = av_new_packet(packet.get(), static_cast<int>(bytes.size()));
    if (error < 0) return Fail(why, path, AvErrorText(error));
    std::copy(bytes.begin(), bytes.end(), packet->data);
    error = avcodec_send_packet(decoder.get(), packet.get());
    if (error >= 0) error = avcodec_send_packet(decoder.get(), nullptr);
    if (error >= 0) error = avcodec_receive_frame(decoder.get(), frame.get());
    if (error < 0) return Fail(why, path, AvErrorText(error));

    SwsPtr scale(sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format), width, height,
                                AV_PIX_FMT_BGRA, SWS_BICUBIC, nullptr, nullptr, nullptr));
    if (!scale) return Fail(why, path, "cannot convert its pixel format");
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    std::uint8_t* planes[1] = {picture.pixels.data()};
    const int strides[1] = {4 * width};
    sws_scale(scale.get(), frame->data, frame->linesize, 0, frame->height, planes, strides);
    return true;
}

bool WritePictureFile(const std::string& path, const OwnedPicture& picture, std::string* why) {
    KeepLibavQuiet();
    const auto fail = [&](const std::string& reason) { return Fail(why, path, reason, "write"); };
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.pixels.size() != static_cast<size_t>(picture.width) * picture.height * 4)
        return fail("it has no pixels");
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    CodecContextPtr encoder(codec ? avcodec_alloc_context3(codec) : nullptr);
    PacketPtr packet(av_packet_alloc());
    FramePtr frame(av_frame_alloc());
    if (!encoder || !packet || !frame) return fail("no PNG encoder");
    encoder->width = picture.width;
    encoder->height = picture.height;
    encoder->pix_fmt = AV_PIX_FMT_RGB24;
    encoder->time_base = {1, 1};
    frame->width = picture.width;
    frame->height = picture.height;
    frame->format = AV_PIX_FMT_RGB24;
    int error = avcodec_open2(encoder.get(), codec, nullptr);
    if (error >= 0) error = av_frame_get_buffer(frame.get(), 0);
    if (error < 0) return fail(AvErrorText(error));
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* from = &picture.pixels[static_cast<size_t>(y) * picture.width * 4];
        std::uint8_t* to = frame->data[0] + static_cast<size_t>(y) * frame->linesize[0];
        for (int x = 0; x < picture.width; ++x, from += 4, to += 3) to[0] = from[2], to[1] = from[1], to[2] = from[0];
    }
    error = avcodec_send_frame(encoder.get(), frame.get());
    if (error >= 0) error = avcodec_send_frame(encoder.get(), nullptr);
    if (error >= 0) error = avcodec_receive_packet(encoder.get(), packet.get());
    if (error < 0) return fail(AvErrorText(error));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(packet->data), packet->size);
    out.close();
    if (!out) return fail("the file could not be written");
    return true;
}

OwnedPicture PlacedOnBlack(int width, int height, const OwnedPicture& inner, int x, int y) {
    OwnedPicture placed;
    placed.width = width;
    placed.height = height;
    placed.pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    for (size_t i = 3; i < placed.pixels.size(); i += 4) placed.pixels[i] = 255;
    const int left = std::max(0, x), right = std::min(width, x + inner.width);
    for (int row = std::max(0, y); row < std::min(height, y + inner.height) && left < right; ++row)
        std::copy_n(&inner.pixels[4 * (static_cast<size_t>(row - y) * inner.width + (left - x))], 4 * (right - left),
                    &placed.pixels[4 * (static_cast<size_t>(row) * width + left)]);
    return placed;
}

}  // namespace kv::media
