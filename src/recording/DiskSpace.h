#pragma once
// What a recording needs on disk, and whether its folders have it: checked
// before the recording starts and, for the temporary folder, while it runs.
#include <cstdint>
#include <string>

namespace kv {

// What a recording writes per second: a new picture at every position (the
// most a show that moves all the time needs) at our encoder's size for a
// slide picture of this size, and the PCM sound.
std::uint64_t RecordingBytesPerSecond(int width, int height, int fps, std::uint64_t soundBytesPerSecond);

// The room the temporary folder keeps while recording: the larger of 200 MB
// and two minutes of recording.
std::uint64_t DiskSpaceFloor(std::uint64_t bytesPerSecond);

// Before recording a show of `showSeconds` (0: not known, counted as two
// minutes): the temporary folder needs the recording, the merge's copy of it
// and the floor, the output folder room for a video as large as the
// recording (all of it, where the two share a disk).
// Empty when there is room, else "Not enough disk space in <folder>: <n> MB
// free, about <m> MB needed". A folder that cannot be asked is not refused.
std::string DiskSpaceRefusal(const std::string& tempFolder, const std::string& outputFolder, double showSeconds,
                             std::uint64_t bytesPerSecond);

// While recording: empty while the temporary folder stays above the floor,
// else why the recording stops there.
std::string LowDiskSpaceReason(const std::string& tempFolder, std::uint64_t bytesPerSecond);

}  // namespace kv
