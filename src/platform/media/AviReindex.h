#pragma once
// A video file cut off before its index was written (the program was killed)
// still holds its packets; copying them into a new AVI gives a file that
// states its length and can be merged and converted like any other.
#include <string>

namespace kv::media {

// Copies the first video stream of `damagedPath` (read as an AVI file only)
// packet for packet into `outputPath`. False with the reason in *why when
// nothing could be copied or the copy could not be written (it is then removed).
bool ReindexAvi(const std::string& damagedPath, const std::string& outputPath, std::string* why);

}  // namespace kv::media
