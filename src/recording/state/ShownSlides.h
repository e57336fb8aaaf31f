#pragma once
// The slides a recording showed, in the order shown: each with its number,
// title, speaker notes and the time it appeared on the recording's clock.
// Whatever produces the video (the slide-show recording, or a renderer that
// draws the slides without a show) fills this list; the conversion turns it
// into chapters and subtitles. One list per process: one conversion per run.
#include <string>
#include <vector>

namespace kv {

struct ShownSlide {
    int number = 0;             // the slide's position in the presentation, from 1
    std::string title;          // never empty: "Slide N" when the slide has none
    std::string notes;          // the speaker notes; empty when there are none
    double startSeconds = 0;    // on the recording's clock (0 = first frame)
};

using ShownSlides = std::vector<ShownSlide>;

// The title to show for a slide: the title placeholder's text, else the
// first line of the topmost text, else "Slide N"; blanks at the ends and
// line breaks inside a title are dropped.
std::string SlideTitle(int number, const std::string& placeholderTitle, const std::string& topmostText);

void ClearShownSlides();
// Adds a slide change; a change at the same time as the previous one
// replaces it (the show passed a slide within one frame).
void AddShownSlide(ShownSlide slide);
ShownSlides GetShownSlides();

}  // namespace kv
