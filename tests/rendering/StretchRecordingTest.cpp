// Recording moving stretches on stages from a pool, with stages of our own
// in place of the office's show: each stretch's pictures land at their times,
// stages are used again, and a stage that fails gets one fresh try.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <filesystem>

#include "rendering/StretchRecording.h"
#include "support/ShellOutput.h"
#include "support/TempDir.h"

namespace {

constexpr int kWidth = 64, kHeight = 48;

// Plays a stretch as a plain picture whose grey is the page number times 20
// (the last picture 10 brighter), a picture each frame in real time as a show
// is grabbed, or all at once (faster than any writer); fails while
// `failures` lasts.
class FakeStage : public kv::ShowStage {
public:
    FakeStage(std::atomic<int>& failures, bool paced) : m_failures(failures), m_paced(paced) {}
    bool Record(const std::string&, const kv::StretchAsk& ask, const kv::StretchFrames& frames, std::string* why) override {
        if (m_failures-- > 0) {
            m_usable = false;
            return *why = "the office did not answer within 30 s and was ended", false;
        }
        std::vector<std::uint8_t> pixels(kWidth * kHeight * 4, static_cast<std::uint8_t>(ask.page * 20));
        const kv::FrameImage frame{kWidth, kHeight, kWidth * 4, pixels.data()};
        const auto start = std::chrono::steady_clock::now();
        const int count = static_cast<int>(std::ceil(ask.seconds * ask.fps));
        for (int n = 0; n < count; ++n) {
            if (m_paced) std::this_thread::sleep_until(start + std::chrono::milliseconds(1000 * n / ask.fps));
            if (n == count - 1) std::fill(pixels.begin(), pixels.end(), static_cast<std::uint8_t>(ask.page * 20 + 10));
            if (!frames(frame, n / double(ask.fps))) return false;
        }
        return true;
    }
    bool Usable() const override { return m_usable; }

private:
    std::atomic<int>& m_failures;
    bool m_paced;
    bool m_usable = true;
};

struct Rig {
    explicit Rig(bool paced = true) : paced(paced) {}
    bool paced;
    std::atomic<int> failures{0};
    std::atomic<int> started{0};
    kv::StagePool pool{[this](int, int, const kv::StagePlacement&, std::string*) {
                           ++started;
                           return std::make_unique<FakeStage>(failures, paced);
                       },
                       kWidth, kHeight, 2};
    kvtest::TempDir dir{"kalvista-stretches"};
    kv::StretchRecordingRequest Request() { return {"deck.pptx", dir.path().string(), 10, 80}; }
};

std::vector<kv::MovingStretch> Stretches() {
    std::vector<kv::MovingStretch> stretches(3);
    for (int i = 0; i < 3; ++i) {
        stretches[i].slide = i;
        stretches[i].ask.page = i + 2;
        stretches[i].ask.seconds = 0.5 + i * 0.5;
    }
    return stretches;
}

TEST(StretchRecording, EachStretchIntoItsOwnFileOnStagesUsedAgain) {
    Rig rig;
    std::vector<std::string> files;
    std::string why;
    ASSERT_TRUE(kv::RecordStretches(rig.pool, rig.Request(), Stretches(), &files, &why)) << why;
    EXPECT_LE(rig.started.load(), 2) << "no more stages than the pool's size";
    ASSERT_EQ(files.size(), 3u);
    for (int i = 0; i < 3; ++i) {
        const std::string grey = kvtest::ShellOutput("ffmpeg -v error -i '" + files[i] +
                                                     "' -vf crop=2:2,format=gray -f rawvideo - 2>/dev/null");
        EXPECT_EQ(grey.size(), static_cast<size_t>(4 * (5 + 5 * i))) << "one picture per frame of stretch " << i;
        if (!grey.empty()) {
            EXPECT_NEAR(static_cast<unsigned char>(grey[0]), (i + 2) * 20, 4);
        }
    }
}

// Pictures left out while the writer is behind are lost as in a recording,
// but never the last: the slide holds it for the rest of its time.
TEST(StretchRecording, TheLastPictureIsKeptWhenTheWriterFallsBehind) {
    Rig rig(false);
    auto stretch = Stretches()[2];
    stretch.ask.seconds = 6;
    std::vector<std::string> files;
    std::string why;
    ASSERT_TRUE(kv::RecordStretches(rig.pool, rig.Request(), {stretch}, &files, &why)) << why;
    const std::string grey = kvtest::ShellOutput("ffmpeg -v error -i '" + files[0] +
                                                 "' -vf crop=2:2,format=gray -f rawvideo - 2>/dev/null");
    ASSERT_GE(grey.size(), 4u);
    EXPECT_NEAR(static_cast<unsigned char>(grey[grey.size() - 4]), 4 * 20 + 10, 4);
}

TEST(StretchRecording, AFailedStretchGetsOneFreshStageThenFailsWithItsReason) {
    Rig once;
    once.failures = 1;
    std::vector<std::string> files;
    std::string why;
    EXPECT_TRUE(once.pool.Size() == 2 && kv::RecordStretches(once.pool, once.Request(), {Stretches()[0]}, &files, &why))
        << why;
    EXPECT_EQ(once.started.load(), 2) << "the failed stage is ended and a fresh one started";

    Rig twice;
    twice.failures = 2;
    EXPECT_FALSE(kv::RecordStretches(twice.pool, twice.Request(), {Stretches()[1]}, &files, &why));
    EXPECT_EQ(why, "slide 3 could not be recorded: the office did not answer within 30 s and was ended");
}

}  // namespace
