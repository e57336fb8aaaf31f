#pragma once
// The program's window messages: the registered ones (the same number in
// every process, so a second copy can ask the first) and the two private
// messages of the skinned controls.
#include "platform/core/Messages.h"

namespace kv {

extern const UINT UWM_ONE_INSTANCE;
extern const UINT UWM_SLIDESHOWEND;
extern const UINT UWM_IS_SLIDESHOW_ENDED;
extern const UINT UWM_RECORDER_ERROR;
extern const UINT UWM_CONTINUESLIDESHOW;
extern const UINT UWM_STARTRECORDING;
extern const UINT UWM_SLIDESHOWLAUNCHERROR;
extern const UINT UWM_SHOWTASKBAR;
extern const UINT UWM_SHOWPPTCONTAINERDLG;
extern const UINT UWM_DIALOGEND;
extern const UINT UWM_MERGE_PROGRESS;
extern const UINT UWM_CONVERSIONEND;
// From the recording thread: the recording clock has started (position 0 is now).
extern const UINT UWM_RECORDINGCLOCKSTARTED;

constexpr UINT WM_SKIN_HOVER = WM_USER + 1001;
constexpr UINT WM_SKIN_CLICK = WM_USER + 1002;

}  // namespace kv
