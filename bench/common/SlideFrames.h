#pragma once
// Slide-like BGRA pictures for the benchmarks: a white page with a coloured
// title bar, lines of small dark "text", a chart, and a counter that changes
// every frame (as a slide show's clock or pointer would).
#include <cstdint>
#include <vector>

#include "platform/core/FrameImage.h"

namespace kvbench {

struct Picture {
    std::vector<std::uint8_t> pixels;
    kv::FrameImage image;
};

// Slide `slide` (0, 1, 2, ...) at frame `frame`.
Picture MakeSlide(int width, int height, int slide, int frame);

// A talk: three slides shown in turn, `framesPerSlide` frames each, with the
// counter moving. Frame(k) must be asked for in order; the same sequence
// made twice gives the same pictures.
class SlideSequence {
public:
    SlideSequence(int width, int height, int framesPerSlide);
    const kv::FrameImage& Frame(int k);

private:
    int m_framesPerSlide;
    std::vector<Picture> m_slides;
};

}  // namespace kvbench
