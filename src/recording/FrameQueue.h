#pragma once
// A bounded hand-over of grabbed frames from the capture loop to a writer
// thread, so that a slow encode never holds up the next grab. The slots are
// made once; a frame that finds every slot taken is dropped (its stream
// position stays empty) rather than growing memory.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/core/FrameImage.h"

namespace kv {

class FrameQueue {
public:
    using Writer = std::function<void(const FrameImage& frame, long position)>;

    FrameQueue() = default;
    ~FrameQueue();  // Finish()
    FrameQueue(const FrameQueue&) = delete;
    FrameQueue& operator=(const FrameQueue&) = delete;

    // Makes `slots` frame buffers of width × height and starts the writer
    // thread; false when the memory cannot be had.
    bool Start(int width, int height, int slots, Writer writer);
    // Copies the frame into a free slot for the writer; false when every
    // slot is still waiting to be written (the frame is dropped).
    bool Push(const FrameImage& frame, long position);
    // Writes what is queued, then stops the writer thread.
    void Finish();

    int Dropped() const;

private:
    struct Slot {
        std::vector<std::uint8_t> pixels;
        long position = 0;
    };
    void WriterLoop();

    Writer m_writer;
    int m_width = 0;
    int m_height = 0;
    std::vector<Slot> m_slots;
    std::vector<int> m_free;     // slot numbers ready for the loop
    std::vector<int> m_pending;  // slot numbers waiting for the writer, oldest first
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_finishing = false;
    int m_dropped = 0;
    std::thread m_thread;
};

}  // namespace kv
