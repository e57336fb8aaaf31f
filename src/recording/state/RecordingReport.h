#pragma once
// What the user must still learn about a recording that was saved: that its
// video could not be written in full (a failure: the video holds the show up
// to that point), or that picture and sound were saved as two files (a
// notice). The recording thread fills it; the container shows it after the
// conversion dialog.
#include <string>

namespace kv {

struct RecordingReport {
    std::string failure;
    std::string notice;
    std::string refusal;  // why the recording did not start (not enough disk space)
};

void ClearRecordingReport();
void SetRecordingFailure(const std::string& text);
void SetRecordingNotice(const std::string& text);
void SetRecordingRefusal(const std::string& text);
RecordingReport GetRecordingReport();

}  // namespace kv
