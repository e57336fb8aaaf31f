#include "SyncRun.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>

#include "RecordingRig.h"
#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "audio/AudioDeviceTable.h"
#include "recording/state/RecordingTimeline.h"
#include "support/RecordedFile.h"
#include "support/SkewedSource.h"
#include "support/SoundSource.h"

namespace kvtest {

namespace {

namespace s = kv::settings;
using Clock = std::chrono::steady_clock;

std::string RateText(int rate) {
    switch (rate) {
    case 11025: return "11.025 kHz";
    case 22050: return "22.05 kHz";
    default: return "44.1 kHz";
    }
}

// The source frame the file holds at `frame`: the numbering around it, by
// the median, so a frame rounded by the resampler or a nearby cut does not count.
std::int64_t CounterNear(const std::vector<std::int16_t>& pcm, std::int64_t frame) {
    std::vector<std::int64_t> shifts;
    const std::int64_t frames = static_cast<std::int64_t>(pcm.size() / 2);
    for (std::int64_t j = std::max<std::int64_t>(frame - 24, 0); j < std::min(frame + 25, frames); ++j)
        shifts.push_back(static_cast<std::int64_t>(TestSoundSource::CounterAt(&pcm[2 * j], 2)) - j);
    if (shifts.empty()) return -1;
    std::nth_element(shifts.begin(), shifts.begin() + shifts.size() / 2, shifts.end());
    return frame + shifts[shifts.size() / 2];
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

}  // namespace

SyncResult RunSyncRecording(const SyncPlan& plan) {
    SyncResult result;
    SkewedSource source(plan.skewPpm);
    kv::AudioDeviceTable.Fill();
    RecordingRig rig(0, 10);
    s::FrameRate.Set(plan.fps);
    s::CaptureSound.Set(1);
    s::SoundDevice.Set(0);
    s::AudioProperties.Set(RateText(plan.rate) + ", stereo, 16-bit");

    // Where the pauses go (recorded seconds before each) and how long they last.
    std::mt19937 random(plan.seed);
    std::vector<double> at, length;
    for (int i = 0; i < plan.pauses; ++i) {
        at.push_back(std::uniform_real_distribution<double>(3, plan.seconds - 3)(random));
        length.push_back(std::uniform_real_distribution<double>(0.3, 3.0)(random));
    }
    std::sort(at.begin(), at.end());

    rig.SignalPositioned();
    rig.Record();
    if (!rig.loop().RunUntil([&] { return rig.container().Count(kv::UWM_IS_SLIDESHOW_ENDED) > 0; }, 20000)) {
        result.failure = "the recording did not start";
        return result;
    }
    const auto recordedSoFar = [] { return std::chrono::duration<double>(kv::g_RecordingTimeline.Take().ActiveBefore(Clock::now())).count(); };
    for (std::size_t i = 0; i <= at.size(); ++i) {
        const double until = i < at.size() ? at[i] : plan.seconds;
        rig.loop().RunUntil([&] { return recordedSoFar() >= until; }, static_cast<int>(plan.seconds * 1000) + 10000);
        if (i == at.size()) break;
        kv::CRecorder::GetInstance()->PauseRecording();
        rig.RunFor(static_cast<int>(length[i] * 1000));
        kv::CRecorder::GetInstance()->RecordOrResume();
    }
    const auto timeline = kv::g_RecordingTimeline.Take();
    if (!rig.StopAndWait(120000)) {
        result.failure = "the recording did not end";
        return result;
    }
    std::vector<double> resumes;  // recorded seconds at each resume
    for (const auto& pause : timeline.pauses)
        if (pause.until) resumes.push_back(std::chrono::duration<double>(timeline.ActiveBefore(*pause.until)).count());

    std::map<std::int64_t, double> shownAt;  // position -> ms since the window opened
    PatternWindow& window = rig.window();
    const RecordedFile file = ReadRecordedFile(rig.SavedVideo(), [&](std::int64_t position, const kv::FrameImage& picture) {
        const int index = PatternWindow::DecodeIndex(picture, RecordingRig::kWidth, RecordingRig::kHeight);
        if (index < 0 || window.ShownFrom(index) < 0) return;
        const double until = window.ShownUntil(index);
        shownAt[position] = until < 0 ? window.ShownFrom(index) : (window.ShownFrom(index) + until) / 2;
    });
    result.videoSeconds = file.VideoSeconds();
    result.soundSeconds = file.audioSeconds;
    if (!file.opened || file.pcm16.empty() || file.audioChannels != 2) {
        result.failure = "no 16-bit stereo sound in " + rig.SavedVideo();
        return result;
    }
    result.recorded = true;
    for (int second = 1; second < static_cast<int>(result.videoSeconds); ++second) {
        const auto shown = shownAt.find(static_cast<std::int64_t>(second) * plan.fps);
        const std::int64_t counter = CounterNear(file.pcm16, static_cast<std::int64_t>(second) * plan.rate);
        if (shown == shownAt.end() || counter < 0) continue;
        const double soundMs = Ms(source.CapturedAt(static_cast<std::uint64_t>(counter)) - window.start());
        const bool afterPause = std::any_of(resumes.begin(), resumes.end(), [&](double r) { return second >= r && second < r + 1.0; });
        result.readings.push_back({static_cast<double>(second), soundMs - shown->second, afterPause});
    }
    if (result.readings.empty()) {
        result.failure = "no second of the recording could be read";
        result.recorded = false;
        return result;
    }
    result.startOffsetMs = result.readings.front().offsetMs;
    for (const SyncReading& r : result.readings) {
        if (r.afterPause) result.pauseMs = std::max(result.pauseMs, std::abs(r.offsetMs));
        else result.driftMs = std::max(result.driftMs, std::abs(r.offsetMs - result.startOffsetMs));
    }
    return result;
}

std::string SyncFigures(const SyncPlan& plan, const SyncResult& result) {
    char text[200];
    std::snprintf(text, sizeof text, "offset_ms=%.1f drift_ms=%.1f pause_ms=%.1f skew_ppm=%.0f seconds=%.0f", result.startOffsetMs,
                  result.driftMs, result.pauseMs, plan.skewPpm, plan.seconds);
    return text;
}

}  // namespace kvtest
