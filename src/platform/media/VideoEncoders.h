#pragma once
// The installed video compressors: libavcodec's video encoders that the AVI
// muxer can store, that open on this machine and that take our BGRA frames
// at any capture size. The wizard lists their descriptions in its codec list
// and stores the chosen one; the video writer finds it again by description.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// A RIFF four-character code: first character in the lowest byte.
constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24;
}
inline constexpr std::uint32_t ICTYPE_VIDEO = MakeFourCC('v', 'i', 'd', 'c');

// The four characters of a code ("MJPG"); unprintable bytes become '.'.
std::string FourCCText(std::uint32_t code);

struct VideoCompressorInfo {
    std::uint32_t fccType = ICTYPE_VIDEO;
    std::uint32_t fccHandler = 0;  // the FourCC the AVI stores; 0 = our default encoder
    std::string name;              // libavcodec's encoder name, e.g. "mjpeg"
    std::string description;       // its long name: the text of the codec list
};

inline constexpr int kMaxInstalledCompressors = 30;

// Every usable encoder, at most kMaxInstalledCompressors: the default
// encoder and other proven ones first, then libavcodec's order. Usable means
// it opens and encodes a frame of width x height (the wizard passes the
// stored capture size) and of an awkward size that is a multiple of 4 only.
// Left out: encoders whose FourCC is "i420", "xvid" or "iyuv", raw and
// uncompressed formats, encoders that fail to open (hardware ones without
// their device), encoders far too slow for live capture and repeated
// descriptions. Each call probes afresh (a few hundred milliseconds).
std::vector<VideoCompressorInfo> EnumerateVideoCompressors(int width, int height);

// The installed-compressor table shared by the wizard and the writer.
// Filling replaces it; reading gives a copy. Safe from any thread.
void SetInstalledCompressors(std::vector<VideoCompressorInfo> table);
std::vector<VideoCompressorInfo> InstalledCompressors();
// True once SetInstalledCompressors has run in this process.
bool InstalledCompressorsFilled();

// Index of the first entry whose description equals `description` without
// regard to letter case; -1 when none.
int FindCompressorByDescription(const std::vector<VideoCompressorInfo>& table,
                                std::string_view description);

// Without a filled table (a run without the wizard): the usable encoder
// whose description equals `description` ignoring case, probing only that
// one; handler 0 and no name when there is none.
VideoCompressorInfo FindVideoCompressor(std::string_view description);

// The encoder used when no table entry is chosen (handler 0).
VideoCompressorInfo DefaultVideoCompressor();

}  // namespace kv
