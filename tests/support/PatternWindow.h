#pragma once
// A test window that shows the time: it redraws itself every `stepMs` with
// the number of steps since it opened, as a row of black and white cells
// across its top half (robust against lossy video), and changing colours
// below. A recording of it tells at which time each frame was grabbed.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "platform/core/FrameImage.h"

typedef struct _XDisplay Display;

namespace kvtest {

class PatternWindow {
public:
    static constexpr int kBits = 16;

    // Opens a window at (x, y) on $DISPLAY's root and starts drawing; throws
    // when there is no display.
    PatternWindow(int x, int y, int width, int height, int stepMs = 10);
    ~PatternWindow();
    PatternWindow(const PatternWindow&) = delete;
    PatternWindow& operator=(const PatternWindow&) = delete;

    unsigned long window() const { return m_window; }
    int stepMs() const { return m_stepMs; }
    std::chrono::steady_clock::time_point start() const { return m_start; }
    // Steps drawn so far (the index now on screen).
    int CurrentIndex() const { return m_drawn.load(); }
    // When an index went on screen and when the next one replaced it, in ms
    // since start() (the drawing may lag its clock on a busy machine); -1
    // when it never was / has not been replaced yet.
    double ShownFrom(int index) const;
    double ShownUntil(int index) const;

    // Gives the window a pointer of a solid `rgb` square of `size` pixels
    // with its hot spot at (hotX, hotY), and moves the pointer to (rootX, rootY).
    void SetSquarePointer(int size, int hotX, int hotY, std::uint32_t rgb);
    void MovePointer(int rootX, int rootY);

    // Reads the index from a picture whose top-left corner is the window's,
    // `width` × `height` being the window's size; -1 when unreadable.
    static int DecodeIndex(const kv::FrameImage& picture, int width, int height);

private:
    void DrawLoop();

    Display* m_control = nullptr;  // this thread's connection
    Display* m_drawing = nullptr;  // the drawing thread's connection
    unsigned long m_window = 0;
    int m_width;
    int m_height;
    int m_stepMs;
    std::chrono::steady_clock::time_point m_start;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_drawn{-1};
    std::unique_ptr<std::atomic<float>[]> m_shownAt;  // per index, ms since start
    std::thread m_thread;
};

}  // namespace kvtest
