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
    "\"Render fast, with motion and sound\".";

inline constexpr const char* kPresentationKinds = ".ppt, .pptx, .pps, .ppsx and .odp";

// A file chosen earlier that has gone since.
inline std::string PresentationMissing(const std::string& path) {
    return "The presentation file no longer exists:\n" + path + "\nPlease select the PowerPoint presentation File again.";
}

// A name given when the program was started that names no file.
inline std::string PresentationNotFound(const std::string& path) {
    return "There is no presentation file at:\n" + path + "\nPlease select the PowerPoint presentation File.";
}

inline std::string PresentationIsAFolder(const std::string& path) {
    return "This is a folder, not a presentation file:\n" + path + "\nPlease select the PowerPoint presentation File.";
}

// The name does not end like a presentation's.
inline std::string NotAPresentationName(const std::string& name) {
    return std::string(kInvalidFileType) + "\n\"" + name + "\" is not a presentation: Kalvista converts " +
           kPresentationKinds + " files.";
}

// The name ends like a presentation's, the contents are something else.
inline std::string NotAPresentationInside(const std::string& name) {
    return std::string(kInvalidFileType) + "\n\"" + name +
           "\" is not a presentation, although its name ends like one: it holds something else (text, a picture, "
           "or a damaged file).";
}

inline std::string PresentationUnreadable(const std::string& path, const std::string& reason) {
    return "The presentation file cannot be read (" + reason + "):\n" + path;
}

inline std::string PresentationEmpty(const std::string& path) {
    return "The presentation file is empty:\n" + path + "\nPlease select the PowerPoint presentation File.";
}

inline std::string FolderNotWritable(const std::string& folder, const std::string& reason) {
    return "The output folder cannot be written to (" + reason + "):\n" + folder +
           "\nPlease select another output folder.";
}

// `reason` says why the page did not open.
inline std::string HelpNotOpened(const std::string& path, const std::string& reason) {
    return "Unable to open the help page: " + reason + ".\nThe page is at:\n" + path +
           "\nOpen it in a web browser.";
}

}  // namespace kv::wizard
