#pragma once
// One AVI video stream made of pieces of others, packet for packet: each
// piece takes the positions [from, to) of its file to [from + offset, to +
// offset) of the joined stream; positions no piece fills show the picture
// before them again (empty chunks). Nothing is re-encoded, so the pieces must
// come from one encoder's settings, every picture a key frame.
#include <string>
#include <vector>

namespace kv::media {

struct AviPiece {
    std::string file;
    long from = 0;    // first position taken from the file
    long to = 0;      // one past the last
    long offset = 0;  // added to the file's positions
};

// `pieces` in the order of their joined positions, which do not overlap.
// The stream ends at `positions`; its last position holds a picture (the one
// before it again when no piece put one there), so converters that stop at
// the last picture keep the whole length. False with the reason in *why;
// the output is then removed.
bool JoinAviPieces(const std::vector<AviPiece>& pieces, long positions, const std::string& output, std::string* why);

}  // namespace kv::media
