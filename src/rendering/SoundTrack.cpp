#include "rendering/SoundTrack.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>

#include "audio/SoundFile.h"
#include "platform/files/ZipEntries.h"
#include "platform/media/SoundDecoder.h"
#include "rendering/RenderPlan.h"

namespace kv {

namespace {

constexpr std::size_t kLargestMedia = std::size_t(1) << 30;
// The office's player sounds about this long after the show asks it to
// play (measured against recorded shows: 0.07 to 0.15 s for the sounds and
// films on a slide, 0.2 to 0.35 s for a transition's sound, which it loads
// only then); the video's sound follows the show, not the request.
constexpr double kPlayerStartSeconds = 0.1;
constexpr double kTransitionSoundStartSeconds = 0.3;

double PlayerStart(const PackageSound& sound) {
    return sound.start == PackageSound::Start::Transition ? kTransitionSoundStartSeconds : kPlayerStartSeconds;
}

size_t ClicksOf(const std::vector<SlideFacts>& facts, int number) {
    for (const SlideFacts& slide : facts)
        if (slide.number == number) return slide.motion.clicks.size();
    return 0;
}

// When a sound of this slide starts, in seconds after the slide's start; < 0: never.
double StartIn(const RenderedSlide& slide, const PackageSound& sound, const std::vector<double>& clicks) {
    switch (sound.start) {
    case PackageSound::Start::Transition: return sound.delay;
    case PackageSound::Start::Effects: return slide.transitionSeconds + sound.delay;
    case PackageSound::Start::Click:
        if (sound.click < 0 || sound.click >= static_cast<int>(clicks.size())) return -1;
        return clicks[sound.click] + sound.delay;
    }
    return -1;
}

// Adds `sound` to `mix` from frame `at` up to frame `until`, again and again when it loops.
void MixIn(const std::vector<float>& sound, bool loop, std::size_t at, std::size_t until, std::vector<float>& mix) {
    const std::size_t frames = sound.size() / 2;
    if (frames == 0) return;
    until = std::min(until, mix.size() / 2);
    for (std::size_t start = at; start < until; start += frames) {
        const std::size_t count = std::min(frames, until - start);
        for (std::size_t i = 0; i < count * 2; ++i) mix[start * 2 + i] += sound[i];
        if (!loop) break;
    }
}

bool WriteWav(const std::vector<float>& mix, const std::filesystem::path& wav, std::string* why) {
    std::vector<std::int16_t> samples(mix.size());
    for (std::size_t i = 0; i < mix.size(); ++i)
        samples[i] = static_cast<std::int16_t>(std::lround(std::clamp(mix[i], -1.0f, 1.0f) * 32767));
    CSoundFile file(wav, MakePcmFormat(kSoundTrackRate, 2, 16));
    constexpr std::size_t kBlock = std::size_t(1) << 20;
    for (std::size_t at = 0; file.IsOK() && at < samples.size(); at += kBlock) {
        const std::size_t count = std::min(kBlock, samples.size() - at);
        CBuffer block(samples.data() + at, static_cast<std::uint32_t>(count * sizeof(std::int16_t)));
        if (!file.Write(block)) break;
    }
    if (file.IsOK() && file.DataBytes() == samples.size() * sizeof(std::int16_t)) return true;
    *why = "the sound track could not be written: " + file.ErrorText();
    return false;
}

}  // namespace

std::vector<PlacedSound> PlaceSounds(const SlideTimeline& timeline, const std::vector<SlideFacts>& facts,
                                     const std::vector<std::vector<PackageSound>>& perPage) {
    std::vector<PlacedSound> placed;
    for (const RenderedSlide& slide : timeline.slides) {
        if (slide.number < 1 || slide.number > static_cast<int>(perPage.size())) continue;
        const std::vector<double> clicks =
            ShowClockClicks(slide.transitionSeconds, slide.duration, ClicksOf(facts, slide.number));
        for (const PackageSound& sound : perPage[slide.number - 1]) {
            const double start = StartIn(slide, sound, clicks);
            const double sounding = start + PlayerStart(sound);
            if (start < 0 || sounding >= slide.duration) continue;
            placed.push_back({sound.part, slide.start + sounding, slide.start + slide.duration, sound.loop});
        }
    }
    return placed;
}

bool MixSoundTrack(const std::filesystem::path& presentation, const std::vector<PlacedSound>& sounds, double seconds,
                   const std::filesystem::path& folder, const std::filesystem::path& wav, std::string* why,
                   bool* audible) {
    if (audible) *audible = false;
    std::vector<float> mix(static_cast<std::size_t>(std::lround(seconds * kSoundTrackRate)) * 2, 0.0f);
    std::map<std::string, std::vector<float>> decoded;
    for (const PlacedSound& sound : sounds) {
        auto found = decoded.find(sound.part);
        if (found == decoded.end()) {
            const auto bytes = ReadZipEntry(presentation, sound.part, kLargestMedia);
            if (!bytes) return *why = "the sound " + sound.part + " cannot be read from the presentation", false;
            const std::filesystem::path file = folder / ("sound" + std::to_string(decoded.size()) +
                                                         std::filesystem::path(sound.part).extension().string());
            std::ofstream(file, std::ios::binary).write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
            std::vector<float> samples;
            std::string reason;
            const bool ok = media::DecodeSound(file.string(), kSoundTrackRate, &samples, &reason);
            std::error_code ignored;
            std::filesystem::remove(file, ignored);
            if (!ok) return *why = "the sound " + sound.part + " cannot be decoded: " + reason, false;
            found = decoded.emplace(sound.part, std::move(samples)).first;
        }
        if (audible && !found->second.empty()) *audible = true;
        MixIn(found->second, sound.loop, static_cast<std::size_t>(std::lround(sound.at * kSoundTrackRate)),
              static_cast<std::size_t>(std::lround(sound.until * kSoundTrackRate)), mix);
    }
    return WriteWav(mix, wav, why);
}

}  // namespace kv
