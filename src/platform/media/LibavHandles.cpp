#include "platform/media/LibavHandles.h"

namespace kv::media {

std::string AvErrorText(int error) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(error, text, sizeof text);
    return text;
}

void KeepLibavQuiet() {
    static const bool once = [] {
        if (av_log_get_level() == AV_LOG_INFO) av_log_set_level(AV_LOG_ERROR);
        return true;
    }();
    (void)once;
}

InputFormatPtr OpenInput(const std::string& path, int* error, const char* format) {
    KeepLibavQuiet();
    const AVInputFormat* only = nullptr;
    if (format && !(only = av_find_input_format(format))) {
        *error = AVERROR_DEMUXER_NOT_FOUND;
        return nullptr;
    }
    // A path is a file: never "http:", "concat:" or any other way in.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    AVFormatContext* raw = nullptr;
    *error = avformat_open_input(&raw, path.c_str(), only, &options);
    av_dict_free(&options);
    if (*error < 0) return nullptr;
    InputFormatPtr input(raw);
    *error = avformat_find_stream_info(input.get(), nullptr);
    if (*error < 0) return nullptr;
    return input;
}

OutputFormatPtr CreateAviOutput(const std::string& path, int* error) {
    KeepLibavQuiet();
    AVFormatContext* raw = nullptr;
    *error = avformat_alloc_output_context2(&raw, nullptr, "avi", path.c_str());
    if (*error < 0 || !raw) {
        if (*error >= 0) *error = AVERROR(ENOMEM);
        return nullptr;
    }
    OutputFormatPtr output(raw);
    *error = avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (*error < 0) return nullptr;
    return output;
}

}  // namespace kv::media
