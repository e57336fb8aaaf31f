// Where a recording's temporary files live: the run's own private folder,
// else the folder of the output AVI. Never the program's folder, which every
// run of an install shares (and which is /usr/bin for an installed program).
#include <filesystem>
#include <system_error>

#include "app/core/SettingsCatalogue.h"
#include "platform/core/Paths.h"
#include "platform/core/Trace.h"
#include "platform/files/RunFolder.h"
#include "recording/Recorder.h"

namespace kv {
namespace fs = std::filesystem;

std::string GetTempFolder(const std::string& fallback) {
    const fs::path folder = RunFolder();
    return folder.empty() ? fallback : folder.string();
}

void GetTempWavePath(CRecorder* recorder) {
    Trace("GetTempWavePath Started\n");
    const std::string fallback = fs::path(settings::AVIVideoFileName.Get()).parent_path().string();
    recorder->m_strTempSoundPath = (fs::path(GetTempFolder(fallback)) / "~Record001.wav").string();
    Trace("GetTempWavePath Ended\n");
}

std::string CreateDefaultFolder() {
    std::error_code ignored;
    fs::path folder = VideosFolder() / "Vodaduvud";
    fs::create_directory(folder, ignored);
    folder /= "Tapewell";
    fs::create_directory(folder, ignored);
    return folder.string();
}

}  // namespace kv
