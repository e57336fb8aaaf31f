#pragma once
// What the user learns when a recording is over and its video was made,
// beyond the video itself: that the show ended early because the office went
// away (a failure: the video holds only part of the show), that the video file
// could not be written in full (a failure), or that the sound could not be
// recorded in full or merged (notices: the video is there, silent in part).
#include <string>

#include "platform/automation/HResult.h"

namespace kv {

extern const char* const kShowEndedEarlyText;
extern const char* const kSilentInputText;

// The office is gone (it crashed or was ended) when it answers a call so.
bool OfficeWentAway(HRESULT automationResult);

// What the user is told when the screen has no room for the capture size
// asked plus the toolbar, so the video is smaller; empty when, as the
// recorder rounds both, it is the size asked. The text names the size asked
// as it was asked.
std::string ShrunkSizeText(int askedWidth, int askedHeight, int width, int height);

// Shows what applies; `officeLost` from the end of the show, `shrunkSize`
// from ShrunkSizeText where the conversion dialog has not said it (shown
// only when the video exists).
void TellHowTheRecordingWent(bool officeLost, const std::string& shrunkSize = {});

}  // namespace kv
