#pragma once
// A presentation as still pictures: what each slide asks of the show (hidden,
// its own timing, the transition into it) and the slide drawn as a picture
// file at a given size. The office backend provides it; the fast renderer
// uses it without knowing which office draws.
#include <memory>
#include <string>
#include <vector>

namespace kv {

// What moves on a slide once it is on screen, as the show plays it.
struct SlideMotion {
    double automatic = 0;         // seconds the effects that start by themselves run, from when its effects begin
    std::vector<double> clicks;   // each step that waits for a click: seconds it runs
    bool endless = false;         // something moves as long as the slide shows (an animated picture, an effect repeated to the end)
    std::vector<std::string> media;  // the files of the films and sounds it holds (the show plays films as it comes in)

    bool Moves() const { return automatic > 0 || !clicks.empty() || endless; }
};

struct SlideFacts {
    int number = 0;                // 1-based, as the presentation counts its slides
    bool hidden = false;           // left out of the show
    double ownSeconds = -1;        // the slide's own timing; < 0 when it waits for a click
    double transitionSeconds = 0;  // > 0: the slide comes in with a transition this long
    std::string titleText;         // the title placeholder's text, for chapters
    std::string topmostText;       // the text nearest the top, for a slide without a title
    std::string notes;             // the speaker notes, for subtitles
    SlideMotion motion;
};

class SlidePictures {
public:
    virtual ~SlidePictures() = default;
    virtual const std::vector<SlideFacts>& Slides() const = 0;
    // Draws slide `number` into a PNG file of exactly width x height pixels,
    // placed as the show places it (fitted to the slide's shape, centred,
    // black around it: never stretched); false with the reason in *why.
    virtual bool DrawSlide(int number, int width, int height, const std::string& pngPath, std::string* why) = 0;
};

// An office that opens presentations for drawing.
class SlideDrawingOffice {
public:
    virtual ~SlideDrawingOffice() = default;
    // Null with the reason in *why when the presentation cannot be opened.
    virtual std::unique_ptr<SlidePictures> Open(const std::string& path, std::string* why) = 0;
    // False once the office has gone away or stopped answering.
    virtual bool Usable() const = 0;
};

}  // namespace kv
