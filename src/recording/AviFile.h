#pragma once
// The intermediate video file: one video stream, every frame a key frame,
// written through FFmpeg's libraries into an AVI file. Frames are placed at
// stream positions; positions never written stay empty.
#include <memory>
#include <string>

#include "platform/automation/HResult.h"
#include "platform/core/FrameImage.h"

namespace kv {

// S_OK, E_FAIL, E_INVALIDARG: the same result codes the automation layer uses.

class CAviFile {
public:
    CAviFile();
    ~CAviFile();
    CAviFile(const CAviFile&) = delete;
    CAviFile& operator=(const CAviFile&) = delete;

    // 0 on success, E_FAIL on any failure. With bFullScreen the screen's size
    // replaces width and height.
    int Initialise(const std::string& path, int width, int height, int bFullScreen);
    // 0 when written (or when nothing is open), E_INVALIDARG for an unusable
    // frame, E_FAIL when the write fails.
    int AppendNewFrame(const FrameImage& frame, long position);
    // Writes the last picture again at `position` (the screen did not
    // change); results as AppendNewFrame, E_INVALIDARG when no repeat is possible.
    int AppendRepeatedFrame(long position);
    // Whether repeats are possible: every picture so far is a key frame the
    // encoder gave back at once.
    bool CanRepeatFrames() const;
    // Closes the file; safe to call more than once. False when the file could
    // not be completed (disk full, file too large), with the reason in *why:
    // what was written stays.
    bool ReleaseMemory(std::string* why = nullptr);

private:
    template <class Write>
    int Append(Write write);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace kv
