#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "recording/FrameQueue.h"

TEST(FrameQueue, WritesEverySubmittedSlotInOrderAndFreesIt) {
    std::mutex mutex;
    std::vector<std::pair<int, long>> written;
    std::set<int> inUse;
    kv::FrameQueue queue;
    ASSERT_TRUE(queue.Start(3, [&](int slot, long position) {
        std::lock_guard lock(mutex);
        written.emplace_back(slot, position);
    }));
    for (long position = 0; position < 50; ++position) {
        if (position % 3 == 2) {  // a repeat of the picture before
            while (!queue.SubmitRepeat(position)) std::this_thread::yield();
            continue;
        }
        int slot;
        while ((slot = queue.Acquire()) < 0) std::this_thread::yield();
        ASSERT_GE(slot, 0);
        ASSERT_LT(slot, 3);
        queue.Submit(slot, position);
    }
    queue.Finish();
    ASSERT_EQ(written.size(), 50u);
    for (long i = 0; i < 50; ++i) {
        EXPECT_EQ(written[i].second, i);
        EXPECT_EQ(written[i].first < 0, i % 3 == 2);
    }
}

TEST(FrameQueue, AStalledWriterCostsFramesNotMemory) {
    std::atomic<bool> release{false};
    std::atomic<int> writes{0};
    kv::FrameQueue queue;
    ASSERT_TRUE(queue.Start(2, [&](int, long) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++writes;
    }));
    int accepted = 0;
    for (long position = 0; position < 20; ++position) {
        const int slot = queue.Acquire();
        if (slot < 0) continue;
        // A slot is never handed out twice while it is in use.
        ++accepted;
        queue.Submit(slot, position);
    }
    EXPECT_EQ(accepted, 2);
    EXPECT_EQ(queue.Dropped(), 18);
    const int spare = queue.Acquire();
    EXPECT_EQ(spare, -1);
    // Repeats need no slot, but they wait in the same line: it stays short.
    int repeats = 0;
    for (long position = 20; position < 30; ++position) repeats += queue.SubmitRepeat(position);
    EXPECT_LE(repeats, 2);
    release = true;
    queue.Finish();  // what was accepted is still written
    EXPECT_EQ(writes.load(), 2 + repeats);
    EXPECT_EQ(queue.Acquire(), -1);  // no writer any more
}

// A second of pictures when they are small; for large ones the memory
// budget decides; three at the least.
TEST(FrameQueue, SlotsRideOutASecondWithinTheMemoryBudget) {
    EXPECT_EQ(kv::FrameSlotsFor(30, 640 * 480 * 4), 30);
    EXPECT_EQ(kv::FrameSlotsFor(5, 640 * 480 * 4), 5);
    EXPECT_EQ(kv::FrameSlotsFor(30, 1920 * 1080 * 4), 8);
    EXPECT_EQ(kv::FrameSlotsFor(1, 640 * 480 * 4), 3);
    EXPECT_EQ(kv::FrameSlotsFor(30, std::size_t{200} << 20), 3);
}
