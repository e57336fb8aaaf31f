#pragma once
// The wizard's fixed lists: output formats with their file extensions, frame
// rates, resolutions and the capture size of each resolution entry.
#include <string>
#include <vector>

namespace kv::wizard {

struct OutputFormat {
    const char* name;
    const char* extension;
};

// Index 0 to 12, in list order (the output formats' own order).
const std::vector<OutputFormat>& OutputFormats();
// The extension of format index `index` (".avi" ...); empty for no format.
std::string ExtensionOfFormat(int index);

constexpr int kFormatAVI = 0;
bool IsMobileFormat(const std::string& formatName);  // "3G2" or "3GP", any case
bool IsMpegFormat(const std::string& formatName);    // "MPEG1" or "MPEG2", any case

std::vector<std::string> StandardFrameRates();
std::vector<std::string> MpegFrameRates();
std::vector<std::string> ChannelEntries();
std::vector<std::string> QualityEntries();
// "1 second", "2 seconds", ... "20 seconds".
std::vector<std::string> SlideTimeEntries();

// The standard list ends with the largest size the screen records and "Custom...".
std::vector<std::string> StandardResolutions(int screenWidth, int screenHeight);
std::vector<std::string> MobileResolutions();
inline constexpr const char* kCustomResolution = "Custom...";
constexpr int kScreenResolutionIndex = 5;
constexpr int kCustomResolutionIndex = 6;
// The entry chosen for "3G2" and "3GP" when the format changes: "176x144".
constexpr int kMobileResolutionIndex = 1;

struct Size {
    int width = 0;
    int height = 0;
    bool operator==(const Size&) const = default;
};

// The standard list with the screen's entry as "<largest>" when that is the
// screen's size, else "<largest> (largest that fits)": the recording window
// with its toolbar must fit on the screen.
std::vector<std::string> StandardResolutions(Size largest, Size screen);

// The capture size of resolution entry `index` (-1 when none is chosen);
// `custom` holds the numbers of the width and height boxes.
Size CaptureSize(int index, bool mobile, Size screen, Size custom);

// A box's number: its leading decimal digits, 0 when it has none.
int LeadingNumber(const std::string& text);
// Frames per second of a frame-rate entry: its first two characters as a
// number ("5 FPS" 5, "29.97 FPS - (NTSC)" 29).
int FrameRateOfEntry(const std::string& entry);

// The first entry after `start` (wrapping round to the top, ending with
// `start` itself) that begins with `prefix`, letter case ignored; -1 if none.
int FindStringFrom(const std::vector<std::string>& entries, int start, const std::string& prefix);
bool EqualsNoCase(const std::string& a, const std::string& b);

}  // namespace kv::wizard
