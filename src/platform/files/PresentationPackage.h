#pragma once
// What a presentation's file says about itself before any office reads it.
// The office makes up what a file lacks (a deck without slides opens with
// one blank slide), so some answers must come from the file.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kv {

// The slides an OOXML (.pptx, .ppsx, ...) or ODF (.odp, .fodp) presentation
// lists, hidden ones included; nothing when the file does not say (another
// format, a damaged or encrypted package, names this reading does not know).
std::optional<int> SlidesListedInPackage(const std::filesystem::path& file);

// Each listed slide's own time in seconds before it moves on (`advTm` of
// an OOXML slide's transition), -1 where it has none; empty when the file is
// no OOXML package. The office's import keeps only whole seconds, and none
// at all on a slide without a transition effect.
std::vector<double> OwnSlideTimesInPackage(const std::filesystem::path& file);

// The slide parts of an OOXML package in the order it lists its slides
// ("ppt/slides/slide1.xml"; empty where one cannot be found); empty when the
// file is no OOXML package.
std::vector<std::string> SlidePartsInPackage(const std::filesystem::path& file);

// The part that relationship `id` of `part` names inside the package; empty
// when there is none (or it points outside the package).
std::string RelatedPart(const std::filesystem::path& file, const std::string& part, const std::string& id);

// True when the file starts like a presentation of a known kind (a zip
// package, a compound file of the old formats or encrypted ones, XML): such
// a file the office cannot open is damaged rather than something else.
bool StartsLikePresentation(const std::filesystem::path& file);

}  // namespace kv
