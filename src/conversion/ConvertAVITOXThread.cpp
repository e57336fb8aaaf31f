#include "conversion/ConvertAVITOXThread.h"

#include <chrono>
#include <filesystem>

#include "app/core/AppMessages.h"
#include "app/core/SettingsCatalogue.h"
#include "audio/AudioFormat.h"
#include "conversion/ConversionFailure.h"
#include "conversion/ConvertAVIToX.h"
#include "conversion/OutputFileName.h"
#include "conversion/OutputFormats.h"
#include "platform/core/PrintableText.h"
#include "platform/core/Trace.h"
#include "platform/files/FileMove.h"
#include "platform/files/RunFolder.h"
#include "recording/state/RecorderState.h"
#include "recording/state/RecordingReport.h"

namespace kv {

namespace fs = std::filesystem;

int ConversionSampleRate(const std::string& audioProperties) {
    // The conversion's default text is 44.1 kHz; an unrecognised text keeps it.
    int sampleRate = 44100, channels = 2, bits = 16;
    ParseAudioProperties(audioProperties, sampleRate, channels, bits);
    return sampleRate;
}

namespace {

bool ConvertRecording(const std::string& recording, std::string* reason) {
    std::string output = settings::OutputFileName.Get();
    const float frameRate = static_cast<float>(settings::FrameRate.Get());
    const std::string format = settings::OutputFormat.GetOr(settings::kOutputFormatDefaultInConversion);
    const int bitRate = static_cast<int>(settings::BitRate.Get());
    const std::string audio = settings::AudioProperties.GetOr(settings::kAudioPropertiesDefaultInConversion);
    const int sampleRate = ConversionSampleRate(audio);
    GetOutPutFileName(output);
    const int index = IsAviOutput(format) ? FORMAT_AVI : ConvertedFormatIndex(format);
    if (index < 0) TraceF("CWaitDlg::ConvertAVITOXThread : Unknown output format %s\n", format.c_str());
    return ConvertAVIToX(recording, output, index, frameRate, sampleRate, bitRate, reason);
}

std::string MoveFailureReason(const std::error_code& error, const std::string& output) {
    const std::string folder = fs::path(output).parent_path().string();
    if (error.value() == ENOSPC) return "No space left on " + PrintableText(folder);
    return "cannot write " + PrintableText(output) + (error ? ": " + error.message() : std::string());
}

void DeleteRecording(const std::string& recording) {
    std::error_code error;
    if (!fs::remove(recording, error) || error)
        TraceF("DeleteIntermediateFile failed to delete file:%s, Error: %d\n", recording.c_str(),
               error ? error.value() : ENOENT);
}

}  // namespace

int ConvertAVITOXThread() {
    bool converted = false, moved = false;
    std::string recording, reason;
    ClearConversionFailure();
    try {
        recording = settings::AVIVideoFileName.Get();
        converted = ConvertRecording(recording, &reason);
        if (!converted) Trace("CWaitDlg::OnDialogEnd():- ConvertAVIToX() Failed\n");
        // AVI output is still wanted when the 4:2:0 copy failed: the recording itself.
        if (!converted && IsAviOutput(settings::OutputFormat.Get())) converted = moved = MoveAVIToOutput();
    } catch (...) {
        Trace("CWaitDlg::ConvertWMVTOXThread : Exception Caught.\n");
        converted = false;
    }
    if (!converted) SetConversionFailure(reason.empty() ? "an unexpected error ended the conversion" : reason);
    try {
        // Without a converted file the recording is the user's only copy. A
        // picture saved apart from its sound stays where the user is told it is.
        const bool namedToTheUser = !GetRecordingReport().notice.empty();
        if (converted && !moved && !namedToTheUser && settings::DeleteIntermediateFile.Get() != 0)
            DeleteRecording(recording);
        // What stays is the user's: the end of the run leaves it in place.
        std::error_code error;
        if (!moved && fs::exists(recording, error)) KeepInRunFolder(recording);
    } catch (...) {
        Trace("CWaitDlg::ConvertWMVTOXThread : Exception Caught.\n");
    }
    SendMessage(g_hWaitDlg.load(), UWM_CONVERSIONEND, 0, 0);
    return converted ? 1 : 0;
}

bool MoveAVIToOutput() {
    ClearConversionFailure();
    try {
        const std::string recording = settings::AVIVideoFileName.Get();
        std::string output = settings::OutputFileName.Get();
        GetOutPutFileName(output);
        std::error_code error;
        if (MoveFileTo(recording, output, error)) {
            if (error) TraceF("CWaitDlg::OnDialogEnd : Copied, but could not remove %s, Error: %d\n",
                              recording.c_str(), error.value());
            return true;
        }
        TraceF("CWaitDlg::OnDialogEnd : Unable to move %s to %s, Error: %d\n", recording.c_str(), output.c_str(),
               error.value());
        SetConversionFailure(MoveFailureReason(error, output));
    } catch (...) {
        Trace("CWaitDlg::OnDialogEnd : Exception Caught.\n");
        SetConversionFailure("an unexpected error ended the move");
    }
    return false;
}

ConvertThread::ConvertThread(std::function<void()> work)
    : m_thread([finished = m_finished, work = std::move(work)] {
          work();
          finished->store(true);
          finished->notify_all();
      }) {}

ConvertThread::~ConvertThread() {
    if (!m_thread.joinable()) return;
    if (Finished()) m_thread.join();
    else m_thread.detach();
}

bool ConvertThread::Wait(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!Finished()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (m_thread.joinable()) m_thread.join();
    return true;
}

}  // namespace kv
