#include "app/wizard/OutputNames.h"

#include <filesystem>

#include "app/wizard/FormatTables.h"
#include "platform/core/Trace.h"

namespace kv::wizard {
namespace fs = std::filesystem;
namespace {

// Both name builders: the folder's own last component decides whether a file
// name is appended (an existing folder, or a path that ends in a separator).
bool JoinName(std::string& folder, const std::string& source, const std::string& extension,
              const char* failureTrace) {
    try {
        const fs::path folderPath(folder);
        std::string name;
        std::error_code error;
        if (folderPath.filename().stem().empty() || fs::is_directory(folderPath, error)) {
            const std::string stem = fs::path(source).stem().string();
            if (!stem.empty()) name = stem + extension;
        }
        if (!name.empty()) folder = (folderPath / name).string();
        return true;
    } catch (...) {
        Trace(failureTrace);
        return false;
    }
}

}  // namespace

bool GetIntermediateFileName(std::string& folder, const std::string& presentationPath) {
    return JoinName(folder, presentationPath, ".avi", "CIOSettings::GetOutPutFileName : Exception Caught.\n");
}

bool GetOutputFileName(const std::string& intermediatePath, std::string& folder, const std::string& extension) {
    return JoinName(folder, intermediatePath, extension, "CAVSettingPage::GetOutPutFileName : Exception Caught.\n");
}

std::string FolderOf(const std::string& path) { return fs::path(path).parent_path().string(); }

bool IsPlayablePresentation(const std::string& path) {
    const std::string extension = fs::path(path).extension().string();
    for (const char* allowed : {".ppt", ".pptx", ".pps", ".ppsx", ".odp"})
        if (EqualsNoCase(extension, allowed)) return true;
    return false;
}

bool IsExistingFolder(const std::string& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

}  // namespace kv::wizard
