#pragma once
// The file names the wizard builds: the intermediate AVI from the output
// folder and the presentation, the output file from the intermediate AVI and
// the format's extension. (Whether the paths can be used: PresentationCheck.h.)
#include <string>

namespace kv::wizard {

// CIOSettings::GetOutPutFileName: `folder` becomes the folder joined with the
// presentation's name and ".avi". True on success; on failure `folder` keeps
// its value.
bool GetIntermediateFileName(std::string& folder, const std::string& presentationPath);

// CAVSettingPage::GetOutPutFileName: `folder` becomes the folder joined with
// the intermediate file's name and `extension` (may be empty).
bool GetOutputFileName(const std::string& intermediatePath, std::string& folder, const std::string& extension);

// The folder of a path (the path without its file name).
std::string FolderOf(const std::string& path);

// A presentation the office plays: "*.ppt", "*.pptx", "*.pps", "*.ppsx" or
// "*.odp", letter case ignored.
bool IsPlayablePresentation(const std::string& path);
bool IsExistingFolder(const std::string& path);

}  // namespace kv::wizard
