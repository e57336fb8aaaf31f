#include "rendering/FastRender.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <filesystem>

#include "conversion/ConvertAVIToX.h"
#include "conversion/OutputFormats.h"
#include "platform/core/Trace.h"
#include "platform/media/AviVideoWriter.h"
#include "platform/media/PictureFile.h"
#include "platform/media/VideoEncoders.h"
#include "recording/Recorder.h"
#include "rendering/FrameBlend.h"

namespace kv {

namespace fs = std::filesystem;

namespace {

constexpr int kSampleRate = 44100;  // the converter's default; the video has no sound

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

// The slides into the AVI: each picture once where its slide starts (after
// the cross-fade into it), the positions between left empty.
class SlideVideo {
public:
    SlideVideo(int width, int height, int fps) : m_fps(fps) {
        m_blend.width = width;
        m_blend.height = height;
        m_blend.pixels.assign(static_cast<size_t>(width) * height * 4, 0);
    }

    bool Open(const std::string& path, int qualityFactor, std::string* why) {
        return m_writer.Open(path, DefaultVideoCompressor().name, m_blend.width, m_blend.height, m_fps, qualityFactor, why);
    }

    bool Add(const RenderedSlide& slide, media::OwnedPicture picture, std::string* why) {
        const long start = Position(slide.start, m_fps);
        const long end = Position(slide.start + slide.duration, m_fps);
        const long fade = m_last >= 0 ? Position(slide.start + slide.transitionSeconds, m_fps) - start : 0;
        FrameImage into = picture.View();
        for (long i = 0; i < fade && start + i < end; ++i) {
            FrameImage blend = m_blend.View();
            BlendFrames(m_previous.View(), into, (i + 0.5) / fade, blend);
            if (!Write(blend, start + i, why)) return false;
        }
        if (start + fade < end && !Write(into, start + fade, why)) return false;
        m_previous = std::move(picture);
        return true;
    }

    // The last picture stays to the very end of the video.
    bool Finish(double seconds, std::string* why) {
        const long last = Position(seconds, m_fps) - 1;
        if (last > m_last) {
            const bool repeated = m_writer.RepeatsAreExact() &&
                                  m_writer.RepeatFrame(last, why) == media::AviVideoWriter::Result::Written;
            if (!repeated && !Write(m_previous.View(), last, why)) return false;
        }
        return m_writer.Close(why);
    }

private:
    bool Write(const FrameImage& frame, long position, std::string* why) {
        if (position <= m_last) return true;
        if (m_writer.WriteFrame(frame, position, why) != media::AviVideoWriter::Result::Written) return false;
        m_last = position;
        return true;
    }

    int m_fps;
    media::AviVideoWriter m_writer;
    media::OwnedPicture m_previous;
    media::OwnedPicture m_blend;
    long m_last = -1;
};

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
bool DeliverVideo(const std::string& avi, const FastRenderRequest& request, const ShownSlides& slides,
                  std::string* why) {
    std::error_code error;
    fs::remove(request.output, error);
    const int index = IsAviOutput(request.format) ? FORMAT_AVI : ConvertedFormatIndex(request.format);
    if (index < 0) {
        *why = "unknown output format " + request.format;
        return false;
    }
    std::string reason;
    if (ConvertStillPicturesAVIToX(avi, request.output, index, request.fps, kSampleRate, request.audioBitRate, slides,
                                   &reason))
        return true;
    *why = "the conversion to " + request.format + " failed: " + reason;
    return false;
}

bool Render(SlidePictures& pictures, const FastRenderRequest& request, FastRenderResult& result) {
    result.timeline = PlanSlideTimeline(pictures.Slides(), request.captureMode, request.seconds);
    if (!result.timeline.refusal.empty()) return result.error = result.timeline.refusal, false;
    WorkFolder folder;
    if (!folder.Make(request.workFolder, &result.error)) return false;
    const std::string avi = (folder / "~Render.avi").string();
    SlideVideo video(request.width, request.height, request.fps);
    if (!video.Open(avi, request.qualityFactor, &result.error)) return false;
    for (const RenderedSlide& slide : result.timeline.slides) {
        const std::string png = (folder / ("slide" + std::to_string(slide.number) + ".png")).string();
        media::OwnedPicture picture;
        if (!pictures.DrawSlide(slide.number, request.width, request.height, png, &result.error) ||
            !media::ReadPictureFile(png, request.width, request.height, picture, &result.error) ||
            !video.Add(slide, std::move(picture), &result.error))
            return false;
        std::error_code ignored;
        fs::remove(png, ignored);
    }
    if (!video.Finish(result.timeline.seconds, &result.error)) return false;
    return DeliverVideo(avi, request, ChapterSlides(result.timeline, pictures.Slides()), &result.error);
}

}  // namespace

FastRenderResult RenderFast(SlideDrawingOffice& office, const FastRenderRequest& request) {
    FastRenderResult result;
    try {
        std::unique_ptr<SlidePictures> pictures = office.Open(request.presentation, &result.error);
        if (pictures) result.ok = Render(*pictures, request, result);
    } catch (const std::exception& e) {
        result.error = std::string("fast rendering failed: ") + e.what();
        result.ok = false;
    }
    if (!result.ok) TraceF("RenderFast : %s : %s\n", request.presentation.c_str(), result.error.c_str());
    return result;
}

}  // namespace kv
