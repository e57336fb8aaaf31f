#pragma once
// Why the last conversion failed, in the user's words, and the texts that
// tell the user. The worker records the reason; the dialog and the batch mode
// read it once the worker has ended.
#include <string>

namespace kv {

void ClearConversionFailure();
void SetConversionFailure(const std::string& reason);
// Empty when the last conversion did not fail.
std::string ConversionFailure();

// "Conversion failed: <reason>"
std::string ConversionFailedText(const std::string& reason);
// "The recording is kept at <path>"
std::string RecordingKeptText(const std::string& path);

}  // namespace kv
