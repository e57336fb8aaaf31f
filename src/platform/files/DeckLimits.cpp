#include "platform/files/DeckLimits.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "platform/core/PrintableText.h"
#include "platform/files/PresentationPackage.h"
#include "platform/files/ZipEntries.h"

namespace kv {

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kRatioCheckedAbove = std::uint64_t(16) << 20;
constexpr std::size_t kPictureHead = 64 * 1024;

// How long something from the file would last, as the user reads it.
std::string Lasting(double seconds, const char* endless) {
    if (!std::isfinite(seconds)) return endless;
    char text[64];
    std::snprintf(text, sizeof text, "%.6g s", seconds);
    return text;
}

std::string Of(const fs::path& file) { return ": " + PrintableText(file.string()); }

unsigned Big16(const std::string& b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) << 8 | static_cast<unsigned char>(b[at + 1]);
}
std::uint64_t Big32(const std::string& b, std::size_t at) { return std::uint64_t(Big16(b, at)) << 16 | Big16(b, at + 2); }
unsigned Little16(const std::string& b, std::size_t at) {
    return static_cast<unsigned char>(b[at]) | static_cast<unsigned char>(b[at + 1]) << 8;
}
std::uint64_t LittleMagnitude32(const std::string& b, std::size_t at) {
    const auto value = static_cast<std::int32_t>(Little16(b, at) | std::uint32_t(Little16(b, at + 2)) << 16);
    return value < 0 ? std::uint64_t(-std::int64_t(value)) : std::uint64_t(value);
}

std::optional<std::uint64_t> JpegPixels(const std::string& b) {
    for (std::size_t at = 2; at + 9 < b.size();) {
        if (static_cast<unsigned char>(b[at]) != 0xFF) return std::nullopt;
        const unsigned marker = static_cast<unsigned char>(b[at + 1]);
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) return std::uint64_t(Big16(b, at + 5)) * Big16(b, at + 7);
        at += 2 + Big16(b, at + 2);
    }
    return std::nullopt;
}

// A picture part of the package larger than the bound: its refusal.
std::string PictureRefusal(const fs::path& file, const ZipEntryInfo& entry) {
    const auto head = ReadZipEntryHead(file, entry, kPictureHead);
    const auto pixels = head ? PicturePixels(*head) : std::nullopt;
    if (!pixels || *pixels <= kLargestPicturePixels) return {};
    return "A picture in the presentation (" + PrintableText(entry.name) + ") has " + std::to_string(*pixels) +
           " pixels, more than the " + std::to_string(kLargestPicturePixels / 1000000) + " million a picture may have" +
           Of(file);
}

bool LooksLikePicture(const std::string& name) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == "png" || extension == "jpg" || extension == "jpeg" || extension == "gif" || extension == "bmp" ||
           extension == "jpe" || extension == "jfif";
}

}  // namespace

std::optional<std::uint64_t> PicturePixels(const std::string& b) {
    if (b.size() >= 24 && b.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0) return Big32(b, 16) * Big32(b, 20);
    if (b.size() >= 10 && (b.compare(0, 6, "GIF87a") == 0 || b.compare(0, 6, "GIF89a") == 0))
        return std::uint64_t(Little16(b, 6)) * Little16(b, 8);
    if (b.size() >= 26 && b.compare(0, 2, "BM") == 0) return LittleMagnitude32(b, 18) * LittleMagnitude32(b, 22);
    if (b.size() >= 4 && static_cast<unsigned char>(b[0]) == 0xFF && static_cast<unsigned char>(b[1]) == 0xD8)
        return JpegPixels(b);
    return std::nullopt;
}

std::string PackageRefusal(const fs::path& file) {
    const auto entries = ListZipEntries(file);
    if (!entries) return {};
    if (entries->size() > kMostPackageParts)
        return "The presentation has " + std::to_string(entries->size()) + " parts, more than the " +
               std::to_string(kMostPackageParts) + " a presentation may have" + Of(file);
    std::uint64_t unpacked = 0;
    for (const ZipEntryInfo& entry : *entries) {
        unpacked += entry.size;
        if (entry.size > kRatioCheckedAbove && entry.size / std::max<std::uint64_t>(entry.packedSize, 1) > kMostPackingRatio)
            return "A part of the presentation (" + PrintableText(entry.name) + ") unpacks to more than " +
                   std::to_string(kMostPackingRatio) + " times its packed size: it is no presentation's" + Of(file);
    }
    if (unpacked > kLargestUnpackedBytes)
        return "The presentation unpacks to " + std::to_string(unpacked >> 20) + " MB, more than the " +
               std::to_string(kLargestUnpackedBytes >> 30) + " GB a presentation may take" + Of(file);
    if (const auto slides = SlidesListedInPackage(file); slides && *slides > kMostSlides)
        return SlideCountRefusal(file, *slides);
    for (const ZipEntryInfo& entry : *entries)
        if (LooksLikePicture(entry.name))
            if (std::string refused = PictureRefusal(file, entry); !refused.empty()) return refused;
    return {};
}

std::string SlideCountRefusal(const fs::path& file, int slides) {
    if (slides <= kMostSlides) return {};
    return "The presentation has " + std::to_string(slides) + " slides, more than the " + std::to_string(kMostSlides) +
           " a presentation may have" + Of(file);
}

std::string SlideTimeRefusal(int slide, double seconds) {
    if (std::isfinite(seconds) && seconds <= kLongestSlideSeconds) return {};
    return "Slide " + std::to_string(slide) + " would stay on screen for " + Lasting(seconds, "ever") +
           ", longer than the 1 h a slide may last";
}

std::string TransitionRefusal(int slide, double seconds) {
    if (std::isfinite(seconds) && seconds <= kLongestTransitionSeconds) return {};
    return "The transition into slide " + std::to_string(slide) + " would last " + Lasting(seconds, "for ever") +
           ", longer than the 60 s a transition may last";
}

std::string ShowLengthRefusal(double seconds) {
    if (std::isfinite(seconds) && seconds <= kLongestShowSeconds) return {};
    return "The show would last " + Lasting(seconds, "for ever") + ", longer than the 24 h a show may last";
}

}  // namespace kv
