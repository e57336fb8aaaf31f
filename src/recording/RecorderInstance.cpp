// The recorder's single instance and the settings a recording starts with.
#include <new>

#include "app/core/SettingsCatalogue.h"
#include "recording/Recorder.h"

namespace kv {

CRecorder* CRecorder::GetInstance() {
    std::shared_ptr<CRecorder> current = s_pInstance.load();
    if (current) return current.get();
    std::shared_ptr<CRecorder> made(new (std::nothrow) CRecorder);
    if (!made) return nullptr;
    // The UI thread and the recording thread may both ask: one instance wins.
    if (s_pInstance.compare_exchange_strong(current, made)) return made.get();
    return current.get();
}

// The capture resources and the video writer close themselves, in that
// order (members are destroyed in reverse): the grab first, then the file.
CRecorder::~CRecorder() = default;

void CRecorder::LoadRecordingSettings() {
    g_iFrameRate = static_cast<int>(settings::FrameRate.Get());
    g_iQualityFactor = static_cast<int>(settings::QualityFactor.Get());
    m_bMouseCapture = settings::MouseCapture.Get() != 0;
}

}  // namespace kv
