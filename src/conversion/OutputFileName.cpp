#include "conversion/OutputFileName.h"

#include <filesystem>

#include "app/core/SettingsCatalogue.h"
#include "platform/core/Trace.h"

namespace kv {

namespace fs = std::filesystem;

namespace {
bool Exists(const std::string& path) {
    std::error_code error;
    return fs::symlink_status(path, error).type() != fs::file_type::not_found && !error;
}
}  // namespace

std::string FreeOutputFileName(const std::string& path) {
    if (!Exists(path)) return path;
    const fs::path original(path);
    const std::string extension = original.extension().string();
    const std::string stem = path.substr(0, path.size() - extension.size());
    for (unsigned counter = 1;; ++counter) {
        const std::string candidate = stem + std::to_string(counter) + extension;
        TraceF("SaveAVI: Retrying with filename %s\n", candidate.c_str());
        if (!Exists(candidate)) return candidate;
    }
}

bool GetOutPutFileName(std::string& path) {
    try {
        path = FreeOutputFileName(path);
        settings::OutputFileName.Set(path);
        return true;
    } catch (...) {
        Trace("CWaitDialog::GetOutPutFileName : Exception Caught.\n");
        return false;
    }
}

}  // namespace kv
