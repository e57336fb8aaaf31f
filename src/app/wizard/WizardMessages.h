#pragma once
// Every text the wizard shows in a message box.
#include <string>

namespace kv::wizard {

inline constexpr const char* kErrorLoadingBitmap = "Error loading bitmap";
inline constexpr const char* kSelectPresentation = "Please select the PowerPoint presentation File ";
inline constexpr const char* kMinimumResolution = "Minimum resolution must be 100 x 100.";
inline constexpr const char* kInvalidFileType = "FileType Error: Invalid File Type Selected";
inline constexpr const char* kInvalidOutputFolder =
    "Invalid output folder. Please select the valid output folder path.";

inline constexpr const char* kFastRenderNeedsAutomaticAdvance =
    "Slides that the presenter advances cannot be rendered fast.\nChoose automatic advance, or clear "
    "\"Render fast, with motion and the deck's sound\".";

inline std::string PresentationMissing(const std::string& path) {
    return "The presentation file no longer exists:\n" + path + "\nPlease select the PowerPoint presentation File again.";
}

inline std::string FolderNotWritable(const std::string& folder) {
    return "The output folder cannot be written to:\n" + folder + "\nPlease select another output folder.";
}

inline std::string HelpNotOpened(const std::string& path) {
    return "Unable to open the help page:\n" + path;
}

}  // namespace kv::wizard
