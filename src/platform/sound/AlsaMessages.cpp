#include "platform/sound/AlsaMessages.h"

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "platform/core/Trace.h"

namespace kv {
namespace {

void TraceAlsaMessage(const char* file, int line, const char* function, int err, const char* format, ...) {
    char text[768] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (err != 0)
        TraceF("ALSA lib %s:%d:(%s) %s: %s\n", file, line, function, text, snd_strerror(err));
    else
        TraceF("ALSA lib %s:%d:(%s) %s\n", file, line, function, text);
}

}  // namespace

void RouteAlsaMessagesToTrace() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(&TraceAlsaMessage); });
}

}  // namespace kv
