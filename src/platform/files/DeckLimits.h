#pragma once
// The bounds on what a presentation's file may ask of a run. A deck comes
// from anyone: without them a zip bomb fills the memory, a picture of a
// billion pixels takes the office down, and a slide time of 1e300 s holds a
// run for ever. Each bound is named in the program's --help.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace kv {

inline constexpr int kMostSlides = 1000;
inline constexpr double kLongestSlideSeconds = 3600;           // a slide's own time
inline constexpr double kLongestShowSeconds = 24 * 3600;       // a whole show
inline constexpr double kLongestTransitionSeconds = 60;        // a slide's transition
inline constexpr std::uint64_t kLargestPicturePixels = 150'000'000;
inline constexpr std::uint64_t kLargestUnpackedBytes = std::uint64_t(4) << 30;  // a package's parts together
inline constexpr std::size_t kMostPackageParts = 50000;
inline constexpr std::uint64_t kMostPackingRatio = 1000;       // for parts larger than 16 MiB

// Why the package cannot be played ("" when it can): more parts than the
// bound, parts that unpack to more than the bound or far more than they
// are packed, more slides than the bound, a picture larger than the bound.
// Files that are no zip package pass (their own checks are elsewhere).
std::string PackageRefusal(const std::filesystem::path& file);

// The refusal for a deck that turned out to have `slides` slides.
std::string SlideCountRefusal(const std::filesystem::path& file, int slides);

// Slide `slide` (1-based) staying `seconds` on screen by itself: "" when
// that can be played; a transition of `seconds`; a show of `seconds`.
std::string SlideTimeRefusal(int slide, double seconds);
std::string TransitionRefusal(int slide, double seconds);
std::string ShowLengthRefusal(double seconds);

// The size in pixels of a PNG, JPEG, GIF or BMP picture from its first
// bytes; nothing for other kinds or when the bytes do not say.
std::optional<std::uint64_t> PicturePixels(const std::string& head);

}  // namespace kv
