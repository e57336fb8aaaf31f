#include "SlideFrames.h"

namespace kvbench {
namespace {

void Fill(kv::FrameImage& image, int x0, int y0, int x1, int y1, std::uint32_t bgr) {
    for (int y = y0; y < y1 && y < image.height; ++y)
        for (int x = x0; x < x1 && x < image.width; ++x) {
            std::uint8_t* p = image.Row(y) + x * 4;
            p[0] = bgr >> 16, p[1] = bgr >> 8, p[2] = bgr, p[3] = 0xff;
        }
}

// A line of "words": glyph-sized strokes with gaps, like small print.
void TextLine(kv::FrameImage& image, int x, int y, int length, int glyph, unsigned seed) {
    for (int i = 0; i < length; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int gx = x + i * glyph;
        if ((seed >> 16) % 7 == 0) continue;  // a space
        Fill(image, gx, y, gx + glyph / 4 + 1, y + glyph * 3 / 2, 0x202020);
        Fill(image, gx, y + glyph * ((seed >> 20) % 3) / 2, gx + glyph - 2, y + glyph * ((seed >> 20) % 3) / 2 + 2, 0x202020);
    }
}

void DrawCounter(kv::FrameImage& image, int frame, std::uint32_t bgr) {
    const int x = image.width - 90 - frame % 50;
    Fill(image, x, image.height - 30, x + 20, image.height - 10, bgr);
}

}  // namespace

Picture MakeSlide(int width, int height, int slide, int frame) {
    Picture picture;
    picture.pixels.assign(static_cast<std::size_t>(width) * height * 4, 0xff);
    picture.image = kv::FrameImage{width, height, width * 4, picture.pixels.data()};
    kv::FrameImage& image = picture.image;
    Fill(image, 0, 0, width, height / 7, 0x933a1f + 0x100000 * slide);
    TextLine(image, width / 20, height / 20, 24, height / 30, 7u + slide);
    for (int line = 0; line < 8; ++line)
        TextLine(image, width / 12, height / 4 + line * height / 18, 60 + slide * 5, height / 80, 100u * line + slide);
    for (int bar = 0; bar < 5; ++bar)
        Fill(image, width * 6 / 10 + bar * width / 25, height * (9 - bar - slide % 3) / 10, width * 6 / 10 + bar * width / 25 + width / 40, height * 19 / 20, 0x27ae60 + 0x30 * bar);
    DrawCounter(image, frame, 0x2b39c0);
    return picture;
}

SlideSequence::SlideSequence(int width, int height, int framesPerSlide) : m_framesPerSlide(framesPerSlide) {
    for (int slide = 0; slide < 3; ++slide) m_slides.push_back(MakeSlide(width, height, slide, 0));
}

const kv::FrameImage& SlideSequence::Frame(int k) {
    kv::FrameImage& image = m_slides[(k / m_framesPerSlide) % m_slides.size()].image;
    for (int previous = 0; previous < 50; ++previous) DrawCounter(image, previous, 0xffffff);
    DrawCounter(image, k, 0x2b39c0);
    return image;
}

}  // namespace kvbench
