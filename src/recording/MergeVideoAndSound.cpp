// The merge of a recording's picture and sound, with its progress shown by
// the conversion dialog.
#include "app/core/AppMessages.h"
#include "platform/core/Trace.h"
#include "platform/media/AviMerge.h"
#include "recording/Recorder.h"

namespace kv {

namespace {

int ResultOf(const media::MergeOutcome& outcome) {
    using media::MergeStatus;
    switch (outcome.status) {
    case MergeStatus::Merged:
        return 0;
    case MergeStatus::VideoNotOpened:
        TraceF("Merge_Video_And_Sound_File : Unable to open video file. hr = 0x%x", static_cast<unsigned>(outcome.error));
        return 1;
    case MergeStatus::NoVideoStream:
        Trace("Merge_Video_And_Sound_File : Unable to open video stream.");
        return 1;
    case MergeStatus::VideoEmpty:
        Trace("Merge_Video_And_Sound_File : Unable to verify video stream.");
        return 3;
    case MergeStatus::SoundNotOpened:
    case MergeStatus::NoSoundStream:
        Trace("Merge_Video_And_Sound_File : Unable to open audio stream.");
        return 2;
    case MergeStatus::SoundNotPcm:
        Trace("Merge_Video_And_Sound_File : Unable to verify audio stream.");
        return 4;
    case MergeStatus::WriteFailed:
        Trace("Merge_Video_And_Sound_File : Unable to merge audio and video streams.");
        return 5;
    }
    return 5;
}

}  // namespace

int Merge_Video_And_Sound_File(const std::string& videoPath, const std::string& soundPath,
                               const std::string& savedPath, std::string* why) {
    Trace("Inside Merge_Video_And_Sound_File");
    try {
        const media::MergeOutcome outcome =
            media::MergeVideoAndSound(videoPath, soundPath, savedPath, [](int percent) {
                SendMessage(g_hWaitDlg.load(), UWM_MERGE_PROGRESS, static_cast<WPARAM>(percent), 0);
            });
        if (!outcome.why.empty()) TraceF("Merge_Video_And_Sound_File : %s", outcome.why.c_str());
        if (why) *why = outcome.why;
        return ResultOf(outcome);
    } catch (...) {
        Trace("Merge_Video_And_Sound_File : Unable to merge audio and video streams.");
        return 5;
    }
}

}  // namespace kv
