#pragma once
// Short real recordings for the conversion tests, made by ffmpeg itself the
// way our recorder writes them: a moving test picture in H.264 4:4:4 with
// every frame a key frame, and a tone as 16-bit PCM, in an AVI.
#include <filesystem>
#include <string>
#include <vector>

namespace kvtest {

// Writes the AVI; false (with the reason in `why`) when ffmpeg failed.
bool MakeTestAvi(const std::filesystem::path& path, int framesPerSecond, int sampleRate, double seconds,
                 std::string* why = nullptr, const std::string& size = "160x120", int channels = 2);

// The same with MPEG-4 part 2 video, as a compressor the user chose writes it.
bool MakeMpeg4Avi(const std::filesystem::path& path, int framesPerSecond, int sampleRate, double seconds);

// Runs a program with arguments (no shell); its exit status, output in `output`.
int RunProgram(const std::vector<std::string>& argv, std::string* output = nullptr);

struct MediaFacts {
    double duration = -1;  // seconds; negative when unknown
    bool hasVideo = false;
    bool hasAudio = false;
};

// What ffprobe says of a media file (the duration of a file that keeps none
// is the time of its last decoded frame).
MediaFacts Probe(const std::filesystem::path& path);

// Each stream as "type:codec:profile:pixel format" ("video:h264:High:yuv420p",
// "audio:aac:LC:"), joined by blanks, video before audio; other streams
// are left out.
std::string StreamFacts(const std::filesystem::path& path);

}  // namespace kvtest
