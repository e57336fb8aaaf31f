#pragma once
// Whether a finished video is complete: it exists, ffprobe reads it to the
// end without complaint, and it has a picture and a length (from the
// container, else from its decoded frames: SWF keeps no duration).
#include <string>

namespace kv {

struct OutputCheck {
    bool complete = false;
    double seconds = 0;
    std::string problem;  // why it is not complete
};

OutputCheck CheckOutputFile(const std::string& path);

}  // namespace kv
