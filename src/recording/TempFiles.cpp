// Where a recording's temporary files live: "Temp" beside the program, else
// the user's cache folder, else the folder of the output AVI.
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "app/core/SettingsCatalogue.h"
#include "platform/core/Paths.h"
#include "platform/core/Trace.h"
#include "recording/Recorder.h"

namespace kv {
namespace fs = std::filesystem;

namespace {

// Made (with missing parents) and writable by us: an existing folder we may
// not write into would only fail later, with the recording in hand.
bool UsableFolder(const fs::path& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return false;
    return fs::is_directory(folder, error) && access(folder.c_str(), W_OK | X_OK) == 0;
}

}  // namespace

std::string GetTempFolder(const std::string& fallback) {
    const fs::path program = ProgramFolder();
    if (program.empty()) return fallback;
    for (const fs::path& folder : {program / "Temp", CacheFolder() / "Kalvista" / "Temp"})
        if (UsableFolder(folder)) return folder.string();
    return fallback;
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
