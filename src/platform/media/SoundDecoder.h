#pragma once
// A media file's sound, decoded whole: its first sound stream as
// interleaved stereo float samples at a chosen rate, whatever its codec
// (WAV, MP3, AAC in MP4 or M4A, a film's soundtrack, ...).
#include <string>
#include <vector>

namespace kv::media {

// False with the reason in *why when the file cannot be read or its sound
// cannot be decoded; a file with no sound at all (a silent film) gives true
// and no samples.
bool DecodeSound(const std::string& path, int rate, std::vector<float>* stereo, std::string* why);

}  // namespace kv::media
