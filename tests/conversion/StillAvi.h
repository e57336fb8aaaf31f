#pragma once
// A recording as our recorder writes one of a still slide show: two pictures,
// each followed by unchanged positions (empty chunks), ending on a still,
// merged with a tone as 16-bit PCM.
#include <filesystem>
#include <string>

namespace kvtest {

// Writes the AVI; false (with the reason in `why`) when a step failed.
bool MakeStillAvi(const std::filesystem::path& path, int framesPerSecond, int sampleRate, double seconds,
                  int channels, std::string* why);

}  // namespace kvtest
