#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "recording/FrameQueue.h"

namespace {

struct Picture {
    std::vector<std::uint8_t> bytes;
    kv::FrameImage frame;
    Picture(int w, int h) : bytes(static_cast<std::size_t>(w) * h * 4) { frame = {w, h, w * 4, bytes.data()}; }
    void Fill(std::uint8_t v) { std::fill(bytes.begin(), bytes.end(), v); }
};

}  // namespace

TEST(FrameQueue, WritesEveryQueuedFrameInOrderFromItsOwnCopy) {
    std::mutex mutex;
    std::vector<std::pair<long, std::uint8_t>> written;
    kv::FrameQueue queue;
    ASSERT_TRUE(queue.Start(8, 4, 3, [&](const kv::FrameImage& frame, long position) {
        std::lock_guard lock(mutex);
        written.emplace_back(position, frame.Row(3)[31]);
    }));
    Picture picture(8, 4);
    for (long position = 0; position < 50; ++position) {
        picture.Fill(static_cast<std::uint8_t>(position));
        while (!queue.Push(picture.frame, position)) std::this_thread::yield();
        picture.Fill(0xEE);  // the grabber reuses its image at once
    }
    queue.Finish();
    ASSERT_EQ(written.size(), 50u);
    for (long i = 0; i < 50; ++i) {
        EXPECT_EQ(written[i].first, i);
        EXPECT_EQ(written[i].second, i);
    }
}

TEST(FrameQueue, AStalledWriterCostsFramesNotMemory) {
    std::atomic<bool> release{false};
    std::atomic<int> writes{0};
    kv::FrameQueue queue;
    ASSERT_TRUE(queue.Start(4, 4, 2, [&](const kv::FrameImage&, long) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++writes;
    }));
    Picture picture(4, 4);
    int accepted = 0;
    for (long position = 0; position < 20; ++position) accepted += queue.Push(picture.frame, position);
    EXPECT_EQ(accepted, 2);
    EXPECT_EQ(queue.Dropped(), 18);
    release = true;
    queue.Finish();  // what was accepted is still written
    EXPECT_EQ(writes.load(), 2);
    EXPECT_FALSE(queue.Push(picture.frame, 21));
}
