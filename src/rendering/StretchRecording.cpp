#include "rendering/StretchRecording.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/core/Trace.h"
#include "platform/media/AviVideoWriter.h"
#include "platform/media/VideoEncoders.h"
#include "recording/FrameQueue.h"

namespace kv {

namespace {

// The pictures of one stretch into its AVI: grabbed pictures wait in slots
// while a thread of their own encodes them, so an encode never delays a grab.
class StretchFile {
public:
    StretchFile(int width, int height, int fps) : m_width(width), m_height(height), m_fps(fps) {}

    bool Open(const std::string& path, int qualityFactor, std::string* why) {
        if (!m_writer.Open(path, DefaultVideoCompressor().name, m_width, m_height, m_fps, qualityFactor, why)) return false;
        const size_t bytes = static_cast<size_t>(m_width) * m_height * 4;
        m_slots.assign(FrameSlotsFor(m_fps, bytes), std::vector<std::uint8_t>(bytes));
        m_latest.assign(bytes, 0);
        return m_queue.Start(static_cast<int>(m_slots.size()), [this](int slot, long position) { Write(slot, position); }) ||
               (*why = "cannot start the stretch's writer", false);
    }

    // A picture grabbed `seconds` after the slide's start, at the position it falls on.
    bool Add(const FrameImage& frame, double seconds) {
        const long position = std::lround(seconds * m_fps);
        if (position <= m_last || m_failed) return !m_failed;
        const int slot = m_queue.Acquire();
        if (slot < 0) {
            // The writer is behind: this position stays as the one before, as
            // in a recording; but the stretch's last picture is held for the
            // rest of its slide, so the latest left out is kept for the end.
            Copy(frame, m_latest.data());
            m_latestPosition = position;
            return true;
        }
        Copy(frame, m_slots[slot].data());
        m_queue.Submit(slot, position);
        m_last = position;
        return true;
    }

    bool Close(std::string* why) {
        m_queue.Finish();
        if (!m_failed && m_latestPosition > m_last) {
            FrameImage latest{m_width, m_height, m_width * 4, m_latest.data()};
            if (m_writer.WriteFrame(latest, m_latestPosition, why) != media::AviVideoWriter::Result::Written) return false;
        }
        if (m_failed) return *why = m_error, false;
        return m_writer.Close(why);
    }

private:
    void Copy(const FrameImage& frame, std::uint8_t* to) const {
        const int rowBytes = std::min(frame.width, m_width) * 4;
        for (int y = 0; y < std::min(frame.height, m_height); ++y) std::memcpy(to + y * m_width * 4, frame.Row(y), rowBytes);
    }

    void Write(int slot, long position) {
        if (m_failed || slot < 0) return;
        FrameImage frame{m_width, m_height, m_width * 4, m_slots[slot].data()};
        std::string why;
        if (m_writer.WriteFrame(frame, position, &why) != media::AviVideoWriter::Result::Written) {
            m_error = "a moving picture could not be written: " + why;
            m_failed = true;
        }
    }

    int m_width, m_height, m_fps;
    media::AviVideoWriter m_writer;
    FrameQueue m_queue;
    std::vector<std::vector<std::uint8_t>> m_slots;
    std::vector<std::uint8_t> m_latest;  // the latest picture left out while the writer was behind
    long m_latestPosition = -1;
    long m_last = -1;
    std::atomic<bool> m_failed{false};
    std::string m_error;
};

bool RecordOnce(ShowStage& stage, const StagePool& pool, const StretchRecordingRequest& request,
                const MovingStretch& stretch, const std::string& file, std::string* why) {
    StretchFile out(pool.Width(), pool.Height(), request.fps);
    if (!out.Open(file, request.qualityFactor, why)) return false;
    StretchAsk ask = stretch.ask;
    ask.fps = request.fps;
    const bool recorded = stage.Record(request.presentation, ask,
                                       [&](const FrameImage& frame, double seconds) { return out.Add(frame, seconds); },
                                       why);
    std::string closing;
    if (!out.Close(&closing) && recorded) return *why = closing, false;
    return recorded;
}

// One stretch, on a stage from the pool; once more on a fresh stage when that fails.
bool RecordOne(StagePool& pool, const StretchRecordingRequest& request, const MovingStretch& stretch,
               const std::string& file, std::string* why) {
    TraceF("Stretch of slide %d: %.2f s from its start%s, %d clicks\n", stretch.ask.page, stretch.ask.seconds,
           stretch.ask.pageBefore > 0 ? " with its transition" : "", static_cast<int>(stretch.ask.clicks.size()));
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::unique_ptr<ShowStage> stage = pool.Take(why);
        if (!stage) return false;
        if (RecordOnce(*stage, pool, request, stretch, file, why)) {
            pool.Give(std::move(stage));
            return true;
        }
        TraceF("Stretch of slide %d failed (%s)%s\n", stretch.ask.page, why->c_str(),
               attempt == 0 ? "; trying a fresh office" : "");
        pool.Discard(std::move(stage));
    }
    *why = "slide " + std::to_string(stretch.ask.page) + " could not be recorded: " + *why;
    return false;
}

}  // namespace

bool RecordStretches(StagePool& pool, const StretchRecordingRequest& request,
                     const std::vector<MovingStretch>& stretches, std::vector<std::string>* files, std::string* why) {
    files->clear();
    for (size_t i = 0; i < stretches.size(); ++i)
        files->push_back(request.folder + "/~Stretch" + std::to_string(i) + ".avi");
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex failure;
    auto work = [&] {
        for (size_t i = next++; i < stretches.size() && !failed; i = next++) {
            std::string reason;
            if (RecordOne(pool, request, stretches[i], (*files)[i], &reason)) continue;
            std::lock_guard lock(failure);
            if (!failed.exchange(true)) *why = reason;
        }
    };
    const size_t workers = std::min(stretches.size(), static_cast<size_t>(pool.Size()));
    std::vector<std::thread> threads;
    for (size_t j = 1; j < workers; ++j) threads.emplace_back(work);
    work();
    for (auto& thread : threads) thread.join();
    return !failed;
}

}  // namespace kv
