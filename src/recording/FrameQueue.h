#pragma once
// A bounded hand-over of grabbed frames from the capture loop to a writer
// thread, so that a slow encode never holds up the next grab. The frames
// live in a fixed number of slots (the grabber's images); the loop takes a
// free slot, grabs into it and submits it with its stream position, the
// writer writes it and frees the slot. When no slot is free the grab is left
// out (its position stays empty) rather than memory growing.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kv {

// Slots for a recording at `fps` of pictures `frameBytes` large: enough for
// the writer to fall a second behind (the loop grabs on, the writer catches
// up), so a stalled write does not hold a change off the video; within a
// memory budget for large pictures, and never fewer than three.
int FrameSlotsFor(int fps, std::size_t frameBytes);

class FrameQueue {
public:
    // `slot` is -1 for a repeat of the previous picture.
    using Writer = std::function<void(int slot, long position)>;

    FrameQueue() = default;
    ~FrameQueue();  // Finish()
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

    // Starts the writer thread over `slots` slots; false when it cannot start.
    bool Start(int slots, Writer writer);
    // A free slot for the next grab, or -1 when the writer still holds them
    // all (counted as a dropped frame).
    int Acquire();
    // Hands a filled slot to the writer.
    void Submit(int slot, long position);
    // Asks the writer to write its previous picture again at `position`;
    // needs no slot. False (a dropped frame) while as many items wait as
    // there are slots.
    bool SubmitRepeat(long position);
    // Gives an acquired slot back unwritten.
    void Return(int slot);
    // Writes what is queued, then stops the writer thread.
    void Finish();

    int Dropped() const;

private:
    void WriterLoop();

    Writer m_writer;
    std::vector<int> m_free;
    std::size_t m_slots = 0;
    std::deque<std::pair<int, long>> m_pending;  // slot, position; oldest first
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_finishing = false;
    int m_dropped = 0;
    std::thread m_thread;
};

}  // namespace kv
