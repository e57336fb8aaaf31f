// How loud captured sound is, and the check that listens to a device while
// the user chooses it: its level, its silence, and that it lets the device go.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "audio/LiveSoundCheck.h"
#include "audio/SoundLevel.h"
#include "platform/sound/SoundInput.h"
#include "support/PacedInput.h"

namespace kvtest {
namespace {

using namespace std::chrono_literals;

std::vector<std::uint8_t> Samples16(std::initializer_list<std::int16_t> values) {
    std::vector<std::uint8_t> bytes(values.size() * 2);
    std::memcpy(bytes.data(), std::data(values), bytes.size());
    return bytes;
}

TEST(SoundLevel, PeakOfSixteenAndEightBitSamplesAndWhereTheMeterShowsIt) {
    auto loud = Samples16({0, 1000, -32768, 5});
    EXPECT_FLOAT_EQ(kv::PeakLevel(loud.data(), loud.size(), 16), 1.0f) << "the most negative sample is full scale";
    auto half = Samples16({0, -16384, 100});
    EXPECT_FLOAT_EQ(kv::PeakLevel(half.data(), half.size(), 16), 0.5f);
    auto quiet = Samples16({0, 0, 0});
    EXPECT_EQ(kv::PeakLevel(quiet.data(), quiet.size(), 16), 0.0f);
    // An odd byte at the end is no sample.
    EXPECT_EQ(kv::PeakLevel(loud.data() + 6, 1, 16), 0.0f);

    const std::uint8_t rest8[] = {128, 128, 128};
    EXPECT_EQ(kv::PeakLevel(rest8, sizeof rest8, 8), 0.0f) << "8-bit silence is 128, not 0";
    const std::uint8_t low8[] = {128, 0, 130};
    EXPECT_FLOAT_EQ(kv::PeakLevel(low8, sizeof low8, 8), 1.0f);
    EXPECT_EQ(kv::PeakLevel(nullptr, 8, 16), 0.0f);

    EXPECT_EQ(kv::MeterPercent(0.0f), 0);
    EXPECT_EQ(kv::MeterPercent(1.0f), 100);
    EXPECT_EQ(kv::MeterPercent(0.5f), 90) << "-6 dB";
    EXPECT_EQ(kv::MeterPercent(0.001f), 1) << "-60 dB";
    EXPECT_EQ(kv::MeterPercent(1.0f / 32768), 1) << "the quietest sound still shows";
    EXPECT_EQ(kv::MeterPercent(1.5f), 100);

    kv::PeakHold hold;
    hold.Note(0.2f);
    hold.Note(0.5f);
    hold.Note(0.3f);
    EXPECT_FLOAT_EQ(hold.Take(), 0.5f) << "the loudest since the last look";
    EXPECT_EQ(hold.Take(), 0.0f) << "taking starts it over";
}

// A device that delivers one sample value at real-time pace, and counts how
// it is used.
struct FakeDeviceLog {
    std::mutex mutex;
    std::vector<std::string> opened;
    std::atomic<int> open{0};
    std::atomic<int> failOpens{0};  // so many opens fail first
    std::atomic<std::int16_t> value{0};
};

class FakeInput : public kvtest::PacedInput {
public:
    explicit FakeInput(std::shared_ptr<FakeDeviceLog> log) : m_log(std::move(log)) {}
    ~FakeInput() override { Close(); }
    int Open(const std::string& device, const kv::AlsaCaptureFormat& format) override {
        if (m_log->failOpens > 0) {
            --m_log->failOpens;
            return -EBUSY;
        }
        std::lock_guard lock(m_log->mutex);
        m_log->opened.push_back(device);
        ++m_log->open;
        return PacedInput::Open(device, format);
    }
    int Close() override {
        if (IsOpen()) --m_log->open;
        return PacedInput::Close();
    }

private:
    std::int16_t Value() const override { return m_log->value; }
    std::shared_ptr<FakeDeviceLog> m_log;
};

class LiveSoundCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        kv::SetSoundInputMaker([log = log] { return std::make_unique<FakeInput>(log); });
    }
    void TearDown() override { kv::SetSoundInputMaker({}); }

    // The loudest level over `time`, looking as a meter does.
    float LevelOver(kv::LiveSoundCheck& check, std::chrono::milliseconds time) {
        float loudest = 0;
        for (auto end = std::chrono::steady_clock::now() + time; std::chrono::steady_clock::now() < end;) {
            std::this_thread::sleep_for(20ms);
            loudest = std::max(loudest, check.TakeLevel());
        }
        return loudest;
    }

    std::shared_ptr<FakeDeviceLog> log = std::make_shared<FakeDeviceLog>();
    const kv::AlsaCaptureFormat format{8000, 1, 16, 80, 3};
};

TEST_F(LiveSoundCheckTest, SoundMovesTheLevelAndSilenceIsToldOnlyAfterItsTime) {
    kv::LiveSoundCheck check(300ms);
    log->value = 8192;
    check.Start("mic", format);
    EXPECT_NEAR(LevelOver(check, 500ms), 0.25f, 0.001f);
    EXPECT_FALSE(check.Silent());

    log->value = 0;
    EXPECT_EQ(LevelOver(check, 150ms), 0.0f) << "silence shows as nothing (one block may still be loud)";
    EXPECT_FALSE(check.Silent()) << "not before the time is up";
    std::this_thread::sleep_for(350ms);
    EXPECT_TRUE(check.Silent());

    log->value = 3;  // the faintest sound ends the silence
    EXPECT_GT(LevelOver(check, 150ms), 0.0f);
    EXPECT_FALSE(check.Silent());
}

TEST_F(LiveSoundCheckTest, ADeviceChangeOrStopReleasesTheDeviceAndAFailedOpenIsRetried) {
    kv::LiveSoundCheck check(200ms);
    log->value = 1000;
    check.Start("first", format);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(log->open, 1);
    check.Start("second", format);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(log->open, 1) << "one device at a time";
    EXPECT_EQ(check.Device(), "second");
    check.Stop();
    EXPECT_EQ(log->open, 0) << "released when the check stops";
    EXPECT_FALSE(check.Running());
    check.Stop();  // twice is harmless

    // A busy device: nothing is heard, which counts as silence, until it opens.
    log->failOpens = 1;
    check.Start("busy", format);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(check.Silent());
    std::this_thread::sleep_for(400ms);
    EXPECT_GT(LevelOver(check, 100ms), 0.0f) << "opened on a later try";
    EXPECT_FALSE(check.Silent());
    check.Stop();
    std::lock_guard lock(log->mutex);
    EXPECT_EQ(log->opened, (std::vector<std::string>{"first", "second", "busy"}));
}

}  // namespace
}  // namespace kvtest
