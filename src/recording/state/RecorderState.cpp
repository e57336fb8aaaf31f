#include "recording/state/RecorderState.h"

namespace kv {

std::atomic<int> g_bRecording{0};
std::atomic<int> g_bPaused{0};
std::atomic<int> g_iRecordAudio{AUDIO_SOURCE_NONE};
std::atomic<int> g_iFrameRate{0};
std::atomic<int> g_iQualityFactor{0};
std::atomic<long long> g_llRecordedMs{0};
std::atomic<int> g_iRecordedFrameRate{0};
std::atomic<int> g_iExpectedShowSeconds{0};
std::atomic<int> g_bRecorderThreadEnded{0};
std::atomic<HWND> g_hContainerWnd{0};
std::atomic<HWND> g_hWaitDlg{0};
std::atomic<std::shared_ptr<NamedEvent>> g_hPositionedEvent;

std::atomic<bool> g_bSlideShowEnded{false};
std::atomic<HWND> g_hSlideShowWnd{0};
std::atomic<bool> g_bRecorderError{false};
std::atomic<int> g_iToolbarButtonHeight{0};

}  // namespace kv
