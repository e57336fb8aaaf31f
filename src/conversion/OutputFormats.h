#pragma once
// The output formats the user can choose: name, index and file extension.
// AVI output is moved into place; every other format is converted by ffmpeg.
#include <array>
#include <string_view>

namespace kv {

enum OutputFormatIndex : int {
    FORMAT_AVI = 0,
    FORMAT_WMV = 1,
    FORMAT_MPEG1 = 2,
    FORMAT_MPEG2 = 3,
    FORMAT_MP4 = 4,
    FORMAT_FLV = 5,
    FORMAT_3G2 = 6,
    FORMAT_3GP = 7,
    FORMAT_SWF = 8,
    FORMAT_MOV = 9,
    FORMAT_ASF = 10,
    FORMAT_WEBM = 11,
    FORMAT_GIF = 12,
};

struct OutputFormat {
    const char* name;       // as the wizard stores it in OutputFormat
    int index;              // also the position in the wizard's format list
    const char* extension;  // with its dot
};

// Stored settings name formats by name and the wizard lists them by index:
// new formats go at the end.
inline constexpr std::array<OutputFormat, 13> kOutputFormats{{
    {"AVI", FORMAT_AVI, ".avi"},
    {"WMV", FORMAT_WMV, ".wmv"},
    {"MPEG1", FORMAT_MPEG1, ".mpg"},
    {"MPEG2", FORMAT_MPEG2, ".mpg"},
    {"MP4", FORMAT_MP4, ".mp4"},
    {"FLV", FORMAT_FLV, ".flv"},
    {"3G2", FORMAT_3G2, ".3g2"},
    {"3GP", FORMAT_3GP, ".3gp"},
    {"SWF", FORMAT_SWF, ".swf"},
    {"MOV", FORMAT_MOV, ".mov"},
    {"ASF", FORMAT_ASF, ".asf"},
    {"WEBM", FORMAT_WEBM, ".webm"},
    {"GIF", FORMAT_GIF, ".gif"},
}};

// True when `name` is "AVI" (letter case ignored): the recording is moved, not converted.
bool IsAviOutput(std::string_view name);

// The index of a converted format (WMV ... GIF), letter case ignored, first
// match wins; -1 for "AVI" and for names that are no output format.
int ConvertedFormatIndex(std::string_view name);

}  // namespace kv
