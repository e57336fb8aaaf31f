// The capture loop: grabs the slide area at the frame rate, places each grab
// at the stream position of its time, and records the sound alongside.
#include <algorithm>
#include <thread>

#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "audio/WaveIn.h"
#include "platform/core/Trace.h"
#include "recording/CaptureArea.h"
#include "recording/FrameQueue.h"
#include "recording/Recorder.h"
#include "recording/RecordingClock.h"

namespace kv {

namespace {

// Capture images shared with the writer: enough to ride out a slow encode,
// few enough that a stalled writer costs frames, not memory.
constexpr int kQueuedFrames = 3;
constexpr auto kPausePoll = std::chrono::milliseconds(50);
constexpr auto kStopPoll = std::chrono::milliseconds(5);

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
    switch (m_ScreenGrabber.Open(rect, options, kQueuedFrames)) {
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
    // take them before the clock starts, as the picture of position 0.
    long lastPosition = -1;
    if (m_ScreenGrabber.Grab() && m_AviFile.AppendNewFrame(m_ScreenGrabber.Frame(), 0) == 0) lastPosition = 0;

    FrameQueue queue;
    const bool queued = queue.Start(kQueuedFrames, [this](int slot, long position) {
        m_AviFile.AppendNewFrame(m_ScreenGrabber.Frame(slot), position);
    });

    StartSound(*this);
    // Position 0 of the video is the start of the sound file.
    RecordingClock clock(fps);
    clock.Start(RecordingClock::Clock::now());

    while (g_bRecording) {
        if (g_bPaused) {
            clock.PauseBegan(RecordingClock::Clock::now());
            while (g_bPaused) std::this_thread::sleep_for(kPausePoll);
        } else {
            // Without a writer thread the one image is written in the loop.
            const int slot = queued ? queue.Acquire() : 0;
            const bool grabbed = slot >= 0 && m_ScreenGrabber.Grab(slot);
            const auto now = RecordingClock::Clock::now();
            clock.Grabbed(now);
            const long position = static_cast<long>(clock.Position(now));
            // Two grabs within one position: the first one stays.
            const bool keep = grabbed && position > lastPosition;
            if (keep) lastPosition = position;
            if (!queued) {
                if (keep) m_AviFile.AppendNewFrame(m_ScreenGrabber.Frame(slot), position);
            } else if (slot >= 0) {
                if (keep) queue.Submit(slot, position);
                else queue.Return(slot);
            }
        }
        // Sleep in short slices so that a stop is seen within a few ms:
        // the sound ends at the stop, and so should the picture.
        const auto due = clock.NextDue(RecordingClock::Clock::now());
        while (g_bRecording && RecordingClock::Clock::now() < due)
            std::this_thread::sleep_until(std::min(due, RecordingClock::Clock::now() + kStopPoll));
        PostMessage(container, UWM_IS_SLIDESHOW_ENDED, 0, 0);
    }
    // A last picture at the stop, so the video ends where the sound does.
    const auto stopped = RecordingClock::Clock::now();
    clock.Grabbed(stopped);
    const long endPosition = static_cast<long>(clock.EndPosition(stopped));
    if (endPosition > lastPosition) {
        const int slot = queued ? queue.Acquire() : 0;
        if (slot >= 0 && m_ScreenGrabber.Grab(slot)) {
            if (queued) queue.Submit(slot, endPosition);
            else m_AviFile.AppendNewFrame(m_ScreenGrabber.Frame(slot), endPosition);
        } else if (queued && slot >= 0) {
            queue.Return(slot);
        }
    }

    Trace("RecordVideo --- Out of continuous While loop");
    queue.Finish();
    if (queue.Dropped() > 0) TraceF("RecordVideo : %d frames dropped, the writer was busy\n", queue.Dropped());
    StopSound(*this);
    m_AviFile.ReleaseMemory();
    return SaveAVI();
}

}  // namespace kv
