#include "recording/DiskSpace.h"

#include <algorithm>
#include <cmath>

#include "platform/files/FreeSpace.h"

namespace kv {

namespace {

constexpr std::uint64_t kMB = 1000 * 1000;
constexpr std::uint64_t kFloorBytes = 200 * kMB;
constexpr double kFloorSeconds = 120;
// Our encoder writes a plain 1080p slide in about 35 KB (0.017 bytes a
// pixel: bench still-slide); three times that leaves room for photos and
// dense text.
constexpr double kBytesPerPixel = 0.05;

// Free space rounds down and what is needed rounds up, so that a refusal
// never reads as if the two were equal.
std::uint64_t MegabytesDown(std::uint64_t bytes) { return bytes / kMB; }
std::uint64_t MegabytesUp(std::uint64_t bytes) { return (bytes + kMB - 1) / kMB; }

std::string NotEnough(const std::string& folder, std::uint64_t freeBytes, std::uint64_t needed) {
    return "Not enough disk space in " + folder + ": " + std::to_string(MegabytesDown(freeBytes)) + " MB free, about " +
           std::to_string(std::max<std::uint64_t>(1, MegabytesUp(needed))) + " MB needed";
}

}  // namespace

std::uint64_t RecordingBytesPerSecond(int width, int height, int fps, std::uint64_t soundBytesPerSecond) {
    const double picture = kBytesPerPixel * std::max(0, width) * std::max(0, height);
    return static_cast<std::uint64_t>(std::ceil(picture * std::max(0, fps))) + soundBytesPerSecond;
}

std::uint64_t DiskSpaceFloor(std::uint64_t bytesPerSecond) {
    return std::max(kFloorBytes, static_cast<std::uint64_t>(bytesPerSecond * kFloorSeconds));
}

std::string DiskSpaceRefusal(const std::string& tempFolder, const std::string& outputFolder, double showSeconds,
                             std::uint64_t bytesPerSecond) {
    const double seconds = showSeconds > 0 ? showSeconds : kFloorSeconds;
    const auto recording = static_cast<std::uint64_t>(std::ceil(bytesPerSecond * seconds));
    const FolderSpace temp = FreeSpaceOf(tempFolder), output = FreeSpaceOf(outputFolder);
    const bool shared = temp.known && output.known && temp.device == output.device;
    const std::uint64_t tempNeeds = 2 * recording + DiskSpaceFloor(bytesPerSecond) + (shared ? recording : 0);
    if (temp.known && temp.freeBytes < tempNeeds) return NotEnough(tempFolder, temp.freeBytes, tempNeeds);
    if (!shared && output.known && output.freeBytes < recording)
        return NotEnough(outputFolder, output.freeBytes, recording);
    return {};
}

std::string LowDiskSpaceReason(const std::string& tempFolder, std::uint64_t bytesPerSecond) {
    const FolderSpace temp = FreeSpaceOf(tempFolder);
    const std::uint64_t floor = DiskSpaceFloor(bytesPerSecond);
    if (!temp.known || temp.freeBytes >= floor) return {};
    return "The recording was stopped: only " + std::to_string(MegabytesDown(temp.freeBytes)) + " MB are left in " +
           tempFolder + ", and " + std::to_string(MegabytesUp(floor)) +
           " MB are kept free. The video holds the recording up to that point";
}

}  // namespace kv
