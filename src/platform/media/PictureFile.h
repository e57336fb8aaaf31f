#pragma once
// A picture file (PNG) read into a BGRA picture of a given size (a file of
// another size is scaled to it), and a BGRA picture written as one.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/FrameImage.h"

namespace kv::media {

struct OwnedPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // BGRA, rows of 4 * width bytes

    FrameImage View() { return {width, height, 4 * width, pixels.data()}; }
};

// False with the reason in *why when the file cannot be read as a picture.
bool ReadPictureFile(const std::string& path, int width, int height, OwnedPicture& picture, std::string* why);

// Writes the picture as an opaque PNG file (its alpha is left out); false
// with the reason in *why.
bool WritePictureFile(const std::string& path, const OwnedPicture& picture, std::string* why);

// A black picture of this size with `inner` copied to (x, y); parts of
// `inner` outside the picture are left out.
OwnedPicture PlacedOnBlack(int width, int height, const OwnedPicture& inner, int x, int y);

}  // namespace kv::media
