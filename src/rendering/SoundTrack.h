#pragma once
// The rendered video's sound track, made from the presentation's own sounds:
// each placed at the moment the show plays it (with its slide's transition,
// with its effects, or at the click the show's clock gives, as late as the
// office's player starts), cut where its
// slide ends, repeated to there when it loops, and all mixed into one WAV.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files/PackageSounds.h"
#include "platform/automation/SlidePictures.h"
#include "rendering/SlideTimeline.h"

namespace kv {

struct PlacedSound {
    std::string part;  // the sound's part in the package
    double at = 0;     // seconds from the video's start
    double until = 0;  // where it is cut: its slide's end
    bool loop = false;
};

// `perPage[n - 1]`: the sounds of page n.
std::vector<PlacedSound> PlaceSounds(const SlideTimeline& timeline, const std::vector<SlideFacts>& facts,
                                     const std::vector<std::vector<PackageSound>>& perPage);

inline constexpr int kSoundTrackRate = 48000;

// The sounds of `presentation` mixed into a 16-bit stereo WAV of `seconds`
// at kSoundTrackRate; each sound's file is taken out of the package into
// `folder` to be decoded. False with the reason in *why. `audible` (when
// given) tells whether any of them had sound at all (a silent film has none).
bool MixSoundTrack(const std::filesystem::path& presentation, const std::vector<PlacedSound>& sounds, double seconds,
                   const std::filesystem::path& folder, const std::filesystem::path& wav, std::string* why,
                   bool* audible = nullptr);

}  // namespace kv
