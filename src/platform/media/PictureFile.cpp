#include "platform/media/PictureFile.h"

#include <fstream>
#include <iterator>

#include "platform/media/LibavHandles.h"

namespace kv::media {

namespace {

bool Fail(std::string* why, const std::string& path, const std::string& reason) {
    if (why) *why = "cannot read the picture " + path + ": " + reason;
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

}  // namespace kv::media
