#pragma once
// Short real recordings for the conversion tests, made by ffmpeg itself:
// a moving test picture in MPEG-4 and a tone as PCM, in an AVI.
#include <filesystem>
#include <string>
#include <vector>

namespace kvtest {

// Writes the AVI; false (with the reason in `why`) when ffmpeg failed.
bool MakeTestAvi(const std::filesystem::path& path, int framesPerSecond, int sampleRate, double seconds,
                 std::string* why = nullptr, const std::string& size = "160x120");

// Runs a program with arguments (no shell); its exit status, output in `output`.
int RunProgram(const std::vector<std::string>& argv, std::string* output = nullptr);

// The duration ffprobe reports, or a negative number.
double MediaDuration(const std::filesystem::path& path);

// "video", "audio": the stream kinds ffprobe finds, one per line.
std::string StreamKinds(const std::filesystem::path& path);

}  // namespace kvtest
