#pragma once
// ALSA writes its own error lines ("ALSA lib pcm.c:...") to stderr, nine of
// them for a machine without a sound device. They go to our trace instead,
// so the terminal shows only the program's own lines.
namespace kv {

// Installs the handler once for the process; every ALSA entry point of ours
// calls it before its first ALSA call.
void RouteAlsaMessagesToTrace();

}  // namespace kv
