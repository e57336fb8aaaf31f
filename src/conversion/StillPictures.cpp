// Still pictures held for seconds cost one encoded frame each, not one per
// frame period: ffmpeg is told to pass frames on at their own times.
#include "conversion/ConvertAVIToX.h"
#include "conversion/OutputFormats.h"

namespace kv {

ConverterCommand KeepStillPictures(ConverterCommand command, int formatIndex) {
    // These streams have no per-frame times: players assume the frame rate.
    if (formatIndex == FORMAT_MPEG1 || formatIndex == FORMAT_MPEG2 || formatIndex == FORMAT_SWF) return command;
    if (!command.HasArguments()) return command;
    const std::string output = command.argv.back();
    command.argv.insert(command.argv.end() - 1, {"-fps_mode", "vfr"});
    const std::string quoted = '"' + output + '"';
    const size_t at = command.text.rfind(quoted);
    if (at != std::string::npos) command.text.insert(at, "-fps_mode vfr ");
    return command;
}

}  // namespace kv
