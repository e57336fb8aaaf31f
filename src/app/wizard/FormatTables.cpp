#include "app/wizard/FormatTables.h"

#include <cctype>

#include "conversion/OutputFormats.h"

namespace kv::wizard {

const std::vector<OutputFormat>& OutputFormats() {
    static const std::vector<OutputFormat> formats = [] {
        std::vector<OutputFormat> list;
        for (const auto& format : kOutputFormats) list.push_back({format.name, format.extension});
        return list;
    }();
    return formats;
}

std::string ExtensionOfFormat(int index) {
    const auto& formats = OutputFormats();
    if (index < 0 || index >= static_cast<int>(formats.size())) return {};
    return formats[index].extension;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool IsMobileFormat(const std::string& formatName) {
    return EqualsNoCase(formatName, "3G2") || EqualsNoCase(formatName, "3GP");
}

bool IsMpegFormat(const std::string& formatName) {
    return EqualsNoCase(formatName, "MPEG1") || EqualsNoCase(formatName, "MPEG2");
}

std::vector<std::string> StandardFrameRates() {
    return {"5 FPS", "10 FPS", "15 FPS", "20 FPS", "25 FPS", "30 FPS"};
}
std::vector<std::string> MpegFrameRates() { return {"25 FPS - (PAL)", "29.97 FPS - (NTSC)"}; }
std::vector<std::string> ChannelEntries() { return {"Mono", "Stereo"}; }
std::vector<std::string> QualityEntries() { return {"Good", "Better", "Best"}; }

std::vector<std::string> SlideTimeEntries() {
    std::vector<std::string> entries;
    for (int seconds = 1; seconds <= 20; ++seconds)
        entries.push_back(std::to_string(seconds) + (seconds == 1 ? " second" : " seconds"));
    return entries;
}

std::vector<std::string> StandardResolutions(int screenWidth, int screenHeight) {
    return {"320x240", "352x288 (Video CD)", "640x480", "720x576 (PAL)", "720x480 (NTSC)",
            std::to_string(screenWidth) + "x" + std::to_string(screenHeight), kCustomResolution};
}

std::vector<std::string> StandardResolutions(Size largest, Size screen) {
    auto entries = StandardResolutions(largest.width, largest.height);
    if (!(largest == screen)) entries[kScreenResolutionIndex] += " (largest that fits)";
    return entries;
}

std::vector<std::string> MobileResolutions() { return {"128x96", "176x144", "352x288", "704x576"}; }

Size CaptureSize(int index, bool mobile, Size screen, Size custom) {
    static const Size standard[] = {{320, 240}, {352, 288}, {640, 480}, {720, 576}, {720, 480}};
    static const Size phone[] = {{128, 96}, {176, 144}, {352, 288}, {704, 576}, {720, 480}};
    if (index >= 0 && index <= 4) return mobile ? phone[index] : standard[index];
    if (index == kScreenResolutionIndex) return screen;
    if (index == kCustomResolutionIndex) return custom;
    return mobile ? Size{176, 144} : Size{320, 240};
}

int LeadingNumber(const std::string& text) {
    long long value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) break;
        value = value * 10 + (c - '0');
        if (value > 1000000) break;  // far beyond any screen; no overflow
    }
    return static_cast<int>(value);
}

int FrameRateOfEntry(const std::string& entry) { return LeadingNumber(entry.substr(0, 2)); }

int FindStringFrom(const std::vector<std::string>& entries, int start, const std::string& prefix) {
    const int count = static_cast<int>(entries.size());
    for (int step = 1; step <= count; ++step) {
        const int i = ((start < 0 ? -1 : start) + step) % count;
        const std::string& entry = entries[i];
        if (entry.size() >= prefix.size() && EqualsNoCase(entry.substr(0, prefix.size()), prefix)) return i;
    }
    return -1;
}

}  // namespace kv::wizard
