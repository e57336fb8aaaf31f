// The capture loop: grabs the slide area at the frame rate, places each grab
// at the stream position of its time, and records the sound alongside.
#include <algorithm>
#include <filesystem>
#include <thread>

#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "audio/WaveIn.h"
#include "platform/core/Trace.h"
#include "recording/CaptureArea.h"
#include "recording/DiskSpace.h"
#include "recording/FrameQueue.h"
#include "recording/Recorder.h"
#include "recording/RecordingClock.h"
#include "recording/state/RecordingReport.h"
#include "recording/state/RecordingTimeline.h"

namespace kv {

namespace {

// A resume is seen this soon, so the first picture after it is taken at the
// resume's own position.
constexpr auto kPausePoll = std::chrono::milliseconds(5);
constexpr auto kStopPoll = std::chrono::milliseconds(5);
constexpr auto kDiskSpacePoll = std::chrono::seconds(1);

void StartSound(CRecorder& recorder) {
    if (settings::CaptureSound.GetOr(settings::kCaptureSoundDefaultInCaptureLoop) == 0) {
        g_iRecordAudio = AUDIO_SOURCE_NONE;
        return;
    }
    g_iRecordAudio = AUDIO_SOURCE_MIC;
    Trace("----g_iRecordAudio == AUDIO_SOURCE_MIC");
    GetTempWavePath(&recorder);
    InitAudioRecording(recorder.m_strTempSoundPath);
    StartAudioRecording(nullptr);
}

void StopSound(CRecorder& recorder) {
    if (g_iRecordAudio != AUDIO_SOURCE_MIC) return;
    Trace("g_iRecordAudio == AUDIO_SOURCE_MIC");
    GetTempWavePath(&recorder);
    StopAudioRecording();
    ClearAudioFile();
}

// Where each picture of the loop goes: to the writer thread when there is
// one, else written at once.
struct PictureTaker {
    ScreenGrabber& grabber;
    CAviFile& avi;
    FrameQueue& queue;
    bool queued;
    bool repeatable;  // an unchanged screen may repeat the last picture
    long lastPosition = -1;

    // Takes the picture of the position `positionOf(now)` gives, unless that
    // position already has one: a grab into a free image or, when nothing on
    // screen changed since the last grab, a repeat of the last picture (the
    // same picture, neither grabbed nor encoded again). The position is
    // taken before the grab, so a grab's own duration never pushes the next
    // pass past a position.
    // Whether the screen changed is asked first: the answer waits for the X
    // server (so no drawing it has done is missed), and the position is
    // taken after that wait, as near to the grab as can be.
    template <class PositionOf>
    void Take(PositionOf positionOf) {
        const bool changed = !repeatable || grabber.Changed();
        const long position = positionOf(RecordingClock::Clock::now());
        if (position <= lastPosition) return;
        if (!changed) return Repeat(position);
        const int slot = queued ? queue.Acquire() : 0;
        if (slot < 0) return;
        const bool grabbed = grabber.Grab(slot);
        // A grab made only because DAMAGE was trusted too long, that found
        // the same picture, costs no more than a repeat.
        if (!grabbed || grabber.FoundUnchanged()) {
            if (queued) queue.Return(slot);
            if (grabbed) Repeat(position);
            return;
        }
        lastPosition = position;
        if (queued) queue.Submit(slot, position);
        else avi.AppendNewFrame(grabber.Frame(slot), position);
    }

    void Repeat(long position) {
        if (queued ? queue.SubmitRepeat(position) : avi.AppendRepeatedFrame(position) == S_OK) lastPosition = position;
    }
};

// The stream position of a picture taken at `at`: the recording time before
// it (pauses left out, as the controls timed them) in whole frames.
long PositionAt(RecordingTimeline::TimePoint at, int fps) {
    const auto active = g_RecordingTimeline.Take().ActiveBefore(at);
    return static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(active).count() * fps / 1000000);
}

// The last position of a recording stopped at `stop`: the one whose end lies
// nearest to the stop, so the video ends within half a frame of the sound.
long EndPositionAt(RecordingTimeline::TimePoint stop, int fps) {
    const auto active = g_RecordingTimeline.Take().ActiveBefore(stop);
    return static_cast<long>((std::chrono::duration_cast<std::chrono::microseconds>(active).count() * fps + 500000) / 1000000) - 1;
}

// Stops the recording, as the stop button would, once the temporary folder
// runs short: what was recorded is saved and converted, and the user told why.
bool StoppedForDiskSpace(const std::string& tempFolder, std::uint64_t bytesPerSecond, HWND container) {
    const std::string reason = LowDiskSpaceReason(tempFolder, bytesPerSecond);
    if (reason.empty()) return false;
    TraceF("RecordVideo : %s\n", reason.c_str());
    SetRecordingFailure(reason + ".");
    StopAt(RecordingClock::Clock::now());
    PostMessage(container, UWM_SLIDESHOWEND, 0, 0);
    return true;
}

}  // namespace

int CRecorder::RecordVideo() {
    HWND container = FindWindow(kContainerClassName);
    if (!container) {
        Trace("RecordVideo : Ppt Window Not Found");
        return -2;
    }
    const bool fullScreen = settings::SupportPowerPlugs.Get() != 0;
    ScreenRect rect;
    if (!GetCaptureRect(container, fullScreen, rect)) {
        Trace("RecordVideo : Ppt Window Not Found");
        return -2;
    }
    const int fps = g_iFrameRate.load();
    if (fps < 1 || fps > 1000) {
        TraceF("RecordVideo : frame rate %d out of range", fps);
        return -4;
    }

    GrabberOptions options;
    options.drawCursor = m_bMouseCapture;
    options.window = fullScreen ? 0 : GetNativeWindow(container);
    // Capture images shared with the writer: enough to ride out a stalled
    // write, few enough that a writer stalled for long costs frames, not memory.
    const int slots = FrameSlotsFor(fps, std::size_t{4} * static_cast<std::size_t>(rect.width) * rect.height);
    switch (m_ScreenGrabber.Open(rect, options, slots)) {
    case GrabberStatus::Ok:
        break;
    case GrabberStatus::NoDisplay:
        Trace("RecordVideo : Ppt Window Not Found");
        return -2;
    case GrabberStatus::NoImage:
        Trace("Unable to create bitmap");
        return -4;
    }

    // The first grab and encode are slow (pages mapped, encoder warming up):
    // take them before the clock starts, as the picture of position 0. A
    // recording stopped before its set-up finished writes no picture at all.
    const bool first =
        g_bRecording && m_ScreenGrabber.Grab() && m_AviFile.AppendNewFrame(m_ScreenGrabber.Frame(), 0) == 0;

    FrameQueue queue;
    const bool queued = queue.Start(slots, [this](int slot, long position) {
        if (slot < 0) m_AviFile.AppendRepeatedFrame(position);
        else m_AviFile.AppendNewFrame(m_ScreenGrabber.Frame(slot), position);
    });
    PictureTaker taker{m_ScreenGrabber, m_AviFile, queue, queued, m_AviFile.CanRepeatFrames()};
    if (first) taker.lastPosition = 0;

    // Position 0 of the video and frame 0 of the sound file are this instant,
    // however long the sound device then takes to start.
    const auto started = RecordingClock::Clock::now();
    g_RecordingTimeline.Start(started);
    if (g_bPaused) g_RecordingTimeline.Pause(started);  // paused before the recording could begin
    RecordingClock clock(fps);
    clock.Start(started);
    g_llRecordedMs = 0;
    PostMessage(container, UWM_RECORDINGCLOCKSTARTED, 0, 0);
    Trace("RecordVideo --- Recording clock started\n");
    StartSound(*this);

    const std::string tempFolder = std::filesystem::path(m_strTempVideoPath).parent_path().string();
    auto spaceCheckDue = started;
    while (g_bRecording) {
        if (RecordingClock::Clock::now() >= spaceCheckDue) {
            spaceCheckDue = RecordingClock::Clock::now() + kDiskSpacePoll;
            if (StoppedForDiskSpace(tempFolder, m_uBytesPerSecond, container)) break;
        }
        if (g_bPaused) {
            while (g_bPaused) std::this_thread::sleep_for(kPausePoll);
        } else {
            taker.Take([&](RecordingClock::TimePoint now) {
                const long position = PositionAt(now, fps);
                g_llRecordedMs = static_cast<long long>(position) * 1000 / fps;
                return position;
            });
        }
        // Sleep in short slices so that a stop is seen within a few ms:
        // the sound ends at the stop, and so should the picture. The next
        // pass comes at the start of the next position, also after a pause.
        const auto now = RecordingClock::Clock::now();
        const auto due = clock.NextPositionDue(now, g_RecordingTimeline.Take().ActiveBefore(now));
        while (g_bRecording && RecordingClock::Clock::now() < due)
            std::this_thread::sleep_until(std::min(due, RecordingClock::Clock::now() + kStopPoll));
        PostMessage(container, UWM_IS_SLIDESHOW_ENDED, 0, 0);
    }
    // A last picture at the stop, so the video ends where the sound does.
    g_RecordingTimeline.Stop(RecordingClock::Clock::now());  // unless the controls timed it already
    const auto stopped = g_RecordingTimeline.StopTime().value_or(RecordingClock::Clock::now());
    const long endPosition = EndPositionAt(stopped, fps);
    taker.Take([&](RecordingClock::TimePoint) { return endPosition; });

    Trace("RecordVideo --- Out of continuous While loop");
    queue.Finish();
    if (queue.Dropped() > 0) TraceF("RecordVideo : %d frames dropped, the writer was busy\n", queue.Dropped());
    StopSound(*this);
    std::string problem;
    const bool complete = m_AviFile.ReleaseMemory(&problem);
    const int saved = SaveAVI();
    if (!complete) ReportIncompleteVideo(problem, m_strTempVideoPath, saved == 0 ? g_strSavedAviPath : m_strTempVideoPath);
    return saved;
}

}  // namespace kv
