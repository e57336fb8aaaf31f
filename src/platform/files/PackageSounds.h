#pragma once
// The sounds a presentation's OOXML package plays by itself, slide by slide:
// a transition's sound, sounds and films set to play with the slide or on a
// click (PowerPoint's recorded narration is such a sound on each slide),
// whether each loops until stopped, and where its file is in the package.
#include <filesystem>
#include <string>
#include <vector>

namespace kv {

struct PackageSound {
    enum class Start {
        Transition,  // with the slide's transition, as the slide comes in
        Effects,     // with the slide's effects, once its transition is over
        Click,       // with the click step `click` of the slide's effects
    };
    std::string part;     // the media's part in the package ("ppt/media/media1.m4a")
    Start start = Start::Effects;
    int click = 0;        // 0-based, for Start::Click
    double delay = 0;     // seconds after its start
    bool loop = false;    // plays again and again until the slide ends
};

// One list per slide the package lists, in its order; empty when the file
// is no OOXML package (the office's own formats play no sound here).
std::vector<std::vector<PackageSound>> SoundsInPackage(const std::filesystem::path& file);

}  // namespace kv
