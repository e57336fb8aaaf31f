#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "recording/RecordingClock.h"

using kv::RecordingClock;
using std::chrono::milliseconds;
using std::chrono::microseconds;

namespace {

RecordingClock::TimePoint At(RecordingClock::TimePoint start, double ms) {
    return start + std::chrono::duration_cast<RecordingClock::Clock::duration>(std::chrono::duration<double, std::milli>(ms));
}

// Runs `passes` passes that each wake `lateMs` after their due time and take
// `workMs`; returns the positions of the grabs.
std::vector<std::int64_t> Simulate(int fps, int passes, double lateMs, double workMs) {
    RecordingClock clock(fps);
    const auto start = RecordingClock::Clock::time_point{} + std::chrono::hours(1);
    clock.Start(start);
    auto now = start;
    std::vector<std::int64_t> positions;
    for (int i = 0; i < passes; ++i) {
        now = At(now, workMs);
        clock.Grabbed(now);
        positions.push_back(clock.Position(now));
        now = At(clock.NextDue(now), lateMs);
    }
    return positions;
}

}  // namespace

TEST(RecordingClock, PositionsKeepRealTimeAtTheExactRate) {
    RecordingClock clock(30);
    EXPECT_EQ(clock.PeriodMs(), 33);
    const auto start = RecordingClock::Clock::now();
    clock.Start(start);
    // Ten minutes in: 18000 positions at 30 per second (whole-ms periods
    // would have given 18181, six seconds ahead of the sound).
    EXPECT_EQ(clock.Position(start + milliseconds(600000)), 18000);
    EXPECT_EQ(clock.Position(start + milliseconds(33)), 0);
    EXPECT_EQ(clock.Position(start + milliseconds(34)), 1);

    // A stop ends the video at the position edge nearest to it.
    EXPECT_EQ(clock.EndPosition(start + milliseconds(1000)), 29);
    EXPECT_EQ(clock.EndPosition(start + milliseconds(1020)), 30);

    RecordingClock fifteen(15);
    fifteen.Start(start);
    EXPECT_EQ(fifteen.Position(start + milliseconds(600000)), 9000);
}

TEST(RecordingClock, PausesAreTakenOutOfTheTimeline) {
    RecordingClock clock(10);
    const auto start = RecordingClock::Clock::now();
    clock.Start(start);
    clock.PauseBegan(start + milliseconds(10000));
    clock.PauseBegan(start + milliseconds(12000));  // still the same pause
    clock.Grabbed(start + milliseconds(15000));
    clock.PauseBegan(start + milliseconds(30000));
    clock.Grabbed(start + milliseconds(35000));
    EXPECT_EQ(clock.PausedMs(), 10000);
    EXPECT_EQ(clock.Position(start + milliseconds(60000)), 500);

    // A pause that ends before the first grab leaves position 0 for it.
    RecordingClock early(10);
    early.Start(start);
    early.PauseBegan(start);
    early.Grabbed(start + milliseconds(60));
    EXPECT_EQ(early.Position(start + milliseconds(60)), 0);
}

TEST(RecordingClock, LateWake_upsNeitherAccumulateNorLeaveGaps) {
    for (int fps : {5, 10, 15, 25, 30}) {
        // Each pass wakes 0.9 ms late and works 5 ms: every position still gets a grab.
        auto positions = Simulate(fps, 3000, 0.9, 5);
        std::set<std::int64_t> distinct(positions.begin(), positions.end());
        const std::int64_t last = positions.back();
        EXPECT_GE(static_cast<double>(distinct.size()) / (last + 1), 0.999) << fps << " fps";
        for (std::size_t i = 1; i < positions.size(); ++i) ASSERT_LE(positions[i] - positions[i - 1], 1) << fps;
    }
}

TEST(RecordingClock, AnOverrunDoesNotMakeTheNextPassesRush) {
    RecordingClock clock(25);
    const auto start = RecordingClock::Clock::now();
    clock.Start(start);
    auto now = start + milliseconds(500);  // one pass took half a second
    auto due = clock.NextDue(now);
    EXPECT_GE(due, now + milliseconds(1));
    EXPECT_LE(due, now + milliseconds(1) + microseconds(10));
    due = clock.NextDue(due);
    EXPECT_GE(due - now, milliseconds(40));
}

TEST(RecordingClockGrid, EveryPassIsDueJustAfterItsPositionBegins) {
    for (const int fps : {5, 25, 30}) {
        SCOPED_TRACE(fps);
        RecordingClock clock(fps);
        const auto now = RecordingClock::Clock::time_point{} + std::chrono::hours(1);
        // Anywhere within a position, and after a pause of any length: the
        // next pass is due one millisecond into the next position.
        for (const double recordedMs : {0.0, 1.0, 199.0, 1234.5, 60000.0 + 1000.0 / fps - 0.001}) {
            const auto recorded = std::chrono::duration_cast<RecordingClock::Clock::duration>(
                std::chrono::duration<double, std::milli>(recordedMs));
            const auto due = clock.NextPositionDue(now, recorded);
            const double atDue = recordedMs + std::chrono::duration<double, std::milli>(due - now).count();
            const double nextStart = (std::floor(recordedMs * fps / 1000.0) + 1) * 1000.0 / fps;
            EXPECT_NEAR(atDue, nextStart + 1.0, 0.01) << recordedMs;
        }
    }
}
