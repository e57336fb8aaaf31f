#include "rendering/FastRender.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>
#include <thread>

#include "conversion/ConvertAVIToX.h"
#include "conversion/OutputFormats.h"
#include "platform/core/Trace.h"
#include "platform/files/PackageSounds.h"
#include "platform/media/AviJoin.h"
#include "platform/media/AviMerge.h"
#include "platform/media/AviVideoWriter.h"
#include "platform/media/MediaInfo.h"
#include "platform/media/PictureFile.h"
#include "platform/media/VideoEncoders.h"
#include "recording/Recorder.h"
#include "rendering/SoundTrack.h"
#include "rendering/StretchRecording.h"

namespace kv {

namespace fs = std::filesystem;

namespace {

constexpr int kSampleRate = 44100;  // the converter's default, for a video without sound

// A folder of our own for one rendering, removed with everything in it.
class WorkFolder {
public:
    bool Make(const std::string& parent, std::string* why) {
        static std::atomic<int> counter{0};
        const fs::path base = parent.empty() ? fs::path(GetTempFolder(fs::temp_directory_path().string())) : fs::path(parent);
        m_path = base / ("~Render-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::error_code error;
        fs::remove_all(m_path, error);
        if (fs::create_directories(m_path, error) && !error) return true;
        *why = "cannot make a temporary folder " + m_path.string() + ": " + error.message();
        m_path.clear();
        return false;
    }
    ~WorkFolder() {
        std::error_code error;
        if (!m_path.empty()) fs::remove_all(m_path, error);
    }
    fs::path operator/(const std::string& name) const { return m_path / name; }

private:
    fs::path m_path;
};

long Position(double seconds, int fps) { return std::lround(seconds * fps); }

// The still pictures into an AVI, each once at the position where its slide starts.
class StillPictures {
public:
    StillPictures(int width, int height, int fps) : m_width(width), m_height(height), m_fps(fps) {}

    bool Open(const std::string& path, int qualityFactor, std::string* why) {
        return m_writer.Open(path, DefaultVideoCompressor().name, m_width, m_height, m_fps, qualityFactor, why);
    }
    bool Add(const RenderedSlide& slide, media::OwnedPicture picture, std::string* why) {
        return m_writer.WriteFrame(picture.View(), Position(slide.start, m_fps), why) ==
               media::AviVideoWriter::Result::Written;
    }
    bool Close(std::string* why) { return m_writer.Close(why); }

private:
    int m_width, m_height, m_fps;
    media::AviVideoWriter m_writer;
};

// The pieces of the video in order: each slide's stretch where it moves, its
// still picture where it does not; what follows a stretch holds its last picture.
std::vector<media::AviPiece> VideoPieces(const RenderPlan& plan, const std::string& stills,
                                         const std::vector<std::string>& stretchFiles, int fps) {
    std::vector<media::AviPiece> pieces;
    size_t next = 0;
    for (size_t i = 0; i < plan.timeline.slides.size(); ++i) {
        const RenderedSlide& slide = plan.timeline.slides[i];
        const long start = Position(slide.start, fps), end = Position(slide.start + slide.duration, fps);
        if (end <= start) continue;
        if (next < plan.stretches.size() && plan.stretches[next].slide == i)
            pieces.push_back({stretchFiles[next++], 0, end - start, start});
        else
            pieces.push_back({stills, start, start + 1, 0});
    }
    return pieces;
}

double FilmLength(const std::string& file) {
    const media::VideoStreamInfo info = media::ReadVideoStreamInfo(file);
    return info.codec.empty() || info.coverArt ? 0 : info.seconds;
}

// The rendered slides as the conversion's chapters and subtitles take them.
ShownSlides ChapterSlides(const SlideTimeline& timeline, const std::vector<SlideFacts>& facts) {
    ShownSlides slides;
    for (const RenderedSlide& rendered : timeline.slides) {
        const auto fact = std::find_if(facts.begin(), facts.end(),
                                       [&](const SlideFacts& f) { return f.number == rendered.number; });
        const bool known = fact != facts.end();
        slides.push_back({rendered.number, SlideTitle(rendered.number, known ? fact->titleText : std::string(),
                                                      known ? fact->topmostText : std::string()),
                          known ? fact->notes : std::string(), rendered.start});
    }
    return slides;
}

// The finished AVI converted into the output; AVI output too, so that it is
// the same 4:2:0 H.264 a recording's AVI output is (players refuse 4:4:4).
bool DeliverVideo(const std::string& avi, const FastRenderRequest& request, const ShownSlides& slides, int sampleRate,
                  std::string* why) {
    std::error_code error;
    fs::remove(request.output, error);
    const int index = IsAviOutput(request.format) ? FORMAT_AVI : ConvertedFormatIndex(request.format);
    if (index < 0) {
        *why = "unknown output format " + request.format;
        return false;
    }
    std::string reason;
    if (ConvertStillPicturesAVIToX(avi, request.output, index, request.fps, sampleRate, request.audioBitRate, slides,
                                   &reason))
        return true;
    *why = "the conversion to " + request.format + " failed: " + reason;
    return false;
}

// The presentation's own sounds mixed and merged into the video `video`,
// which then names the merged file; a presentation without sounds keeps a
// video without a sound track.
bool AddSounds(SlidePictures& pictures, const RenderPlan& plan, const FastRenderRequest& request,
               const WorkFolder& folder, std::string& video, FastRenderResult& result) {
    if (!request.deckSound) return true;
    const std::vector<PlacedSound> sounds =
        PlaceSounds(plan.timeline, pictures.Slides(), SoundsInPackage(request.presentation));
    if (sounds.empty()) return true;
    const std::string wav = (folder / "~Sound.wav").string(), merged = (folder / "~RenderSound.avi").string();
    bool audible = false;
    if (!MixSoundTrack(request.presentation, sounds, plan.timeline.seconds, folder / "", wav, &result.error, &audible))
        return false;
    if (!audible) return true;  // only silent films: no sound track, as for a deck without sound
    result.sounds = sounds.size();
    const media::MergeOutcome outcome = media::MergeVideoAndSound(video, wav, merged, nullptr);
    if (outcome.status != media::MergeStatus::Merged)
        return result.error = "the sound track could not be merged: " + outcome.why, false;
    video = merged;
    return true;
}

// The stills drawn by the office while the stages record the moving stretches.
bool DrawStills(SlidePictures& pictures, const RenderPlan& plan, const FastRenderRequest& request,
                const WorkFolder& folder, const std::string& stills, std::string* why) {
    StillPictures video(request.width, request.height, request.fps);
    if (!video.Open(stills, request.qualityFactor, why)) return false;
    size_t next = 0;
    for (size_t i = 0; i < plan.timeline.slides.size(); ++i) {
        const RenderedSlide& slide = plan.timeline.slides[i];
        if (next < plan.stretches.size() && plan.stretches[next].slide == i) {
            ++next;
            continue;
        }
        const std::string png = (folder / ("slide" + std::to_string(slide.number) + ".png")).string();
        media::OwnedPicture picture;
        if (!pictures.DrawSlide(slide.number, request.width, request.height, png, why) ||
            !media::ReadPictureFile(png, request.width, request.height, picture, why) ||
            !video.Add(slide, std::move(picture), why))
            return false;
        std::error_code ignored;
        fs::remove(png, ignored);
    }
    return video.Close(why);
}

bool Render(SlidePictures& pictures, StagePool& stages, const FastRenderRequest& request, FastRenderResult& result) {
    const RenderPlan plan = PlanRender(pictures.Slides(), request.captureMode, request.seconds, FilmLength);
    result.timeline = plan.timeline;
    result.movingStretches = plan.stretches.size();
    if (!result.timeline.refusal.empty()) return result.error = result.timeline.refusal, false;
    WorkFolder folder;
    if (!folder.Make(request.workFolder, &result.error)) return false;
    std::vector<std::string> stretchFiles;
    std::string stretchFailure;
    bool recorded = true;
    std::thread recorder;
    const StretchRecordingRequest asked{request.presentation, (folder / "").string(), request.fps,
                                        request.qualityFactor};
    if (!plan.stretches.empty()) {
        stages.Warm();
        recorder = std::thread(
            [&] { recorded = RecordStretches(stages, asked, plan.stretches, &stretchFiles, &stretchFailure); });
    }
    const std::string stills = (folder / "~Stills.avi").string();
    const bool drawn = DrawStills(pictures, plan, request, folder, stills, &result.error);
    if (recorder.joinable()) recorder.join();
    if (!drawn) return false;
    if (!recorded) return result.error = stretchFailure, false;
    const std::string avi = (folder / "~Render.avi").string();
    if (!media::JoinAviPieces(VideoPieces(plan, stills, stretchFiles, request.fps),
                              Position(plan.timeline.seconds, request.fps), avi, &result.error))
        return false;
    std::string video = avi;
    if (!AddSounds(pictures, plan, request, folder, video, result)) return false;
    return DeliverVideo(video, request, ChapterSlides(result.timeline, pictures.Slides()),
                        result.sounds > 0 ? kSoundTrackRate : kSampleRate, &result.error);
}

}  // namespace

FastRenderResult RenderFast(SlideDrawingOffice& office, StagePool& stages, const FastRenderRequest& request) {
    FastRenderResult result;
    try {
        std::unique_ptr<SlidePictures> pictures = office.Open(request.presentation, &result.error);
        if (pictures) result.ok = Render(*pictures, stages, request, result);
    } catch (const std::exception& e) {
        result.error = std::string("fast rendering failed: ") + e.what();
        result.ok = false;
    }
    if (!result.ok) TraceF("RenderFast : %s : %s\n", request.presentation.c_str(), result.error.c_str());
    return result;
}

}  // namespace kv
