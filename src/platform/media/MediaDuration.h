#pragma once
// The length of a media file from its header alone, without decoding.
#include <string>

namespace kv::media {

// Seconds of the longest stream; 0 when the file cannot be read or says nothing.
double MediaDurationSeconds(const std::string& path);

}  // namespace kv::media
