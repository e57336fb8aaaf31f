#pragma once
// The flags and handles that the recorder shares with the container, the
// sound engine and the conversion dialog. Each has one writing side; every
// other thread only polls it.
#include <atomic>
#include <memory>
#include <string>

#include "platform/core/Messages.h"
#include "platform/core/NamedEvent.h"

namespace kv {

constexpr int AUDIO_SOURCE_NONE = 0;
constexpr int AUDIO_SOURCE_MIC = 1;

// The recorder error code of a recording refused for want of disk space.
inline constexpr int kNotEnoughDiskSpace = -11;

inline constexpr const char* kPositionedEventName = "PPT_DLG_POSITIONED";
inline constexpr const char* kContainerClassName = "PPTContainerDlgClass";
inline constexpr const char* kSlideShowCaption = "Kalvista - SlideShow ActiveX";

extern std::atomic<int> g_bRecording;
extern std::atomic<int> g_bPaused;
extern std::atomic<int> g_iRecordAudio;
extern std::atomic<int> g_iFrameRate;
extern std::atomic<int> g_iQualityFactor;
extern std::atomic<int> g_iRecordedFrameRate;
extern std::atomic<int> g_bRecorderThreadEnded;
// How long the show to be recorded will run, in seconds; 0 when not known
// (the presenter or the slides' own timings decide). Set by the container.
extern std::atomic<int> g_iExpectedShowSeconds;
// The recording's clock at its latest frame, in ms (position / frame rate):
// where a slide that shows now begins in the video.
extern std::atomic<long long> g_llRecordedMs;
extern std::atomic<HWND> g_hContainerWnd;
extern std::atomic<HWND> g_hWaitDlg;
// "PPT_DLG_POSITIONED", made by the container, closed by ReleaseInstance.
extern std::atomic<std::shared_ptr<NamedEvent>> g_hPositionedEvent;

// Set by the slide-show event sink when the office reports the end of the show.
extern std::atomic<bool> g_bSlideShowEnded;
// The hosted slide-show window once it sits in the container.
extern std::atomic<HWND> g_hSlideShowWnd;
// Set when the container has shown a recording error; read by the conversion dialog.
extern std::atomic<bool> g_bRecorderError;
// Height of the container's toolbar buttons; 0 while the container has no
// toolbar (the capture rectangle then cuts 2 x 23 pixels). The container's
// own X11 window (its client area) is published with SetNativeWindow on
// g_hContainerWnd.
extern std::atomic<int> g_iToolbarButtonHeight;

}  // namespace kv
