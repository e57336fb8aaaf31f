#pragma once
// What a shell command prints on its standard output (ffprobe, ffmpeg).
#include <string>

namespace kvtest {

std::string ShellOutput(const std::string& command);

}  // namespace kvtest
