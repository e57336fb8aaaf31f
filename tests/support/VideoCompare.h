#pragma once
// Two videos of the same presentation compared as a viewer sees them: the
// pictures side by side at one frame rate (the brightness of each pixel,
// PSNR per frame) and the sound's tone onsets. Read back through ffmpeg.
#include <filesystem>
#include <string>
#include <vector>

namespace kvtest {

struct PictureComparison {
    std::vector<double> psnr;         // per frame of the reference, in dB (99 for identical frames)
    std::vector<bool> nearChange;     // the frame lies within 2 frames of a change of the reference's picture
    int frames = 0;                   // frames compared (the shorter video's)
    double over30 = 0;                // share of frames at 30 dB or more, 0..1
    double minimum = 99;              // the lowest frame's PSNR
    int badAwayFromChanges = 0;       // frames under 30 dB that are not near a change
    std::string Describe() const;     // the frames under 30 dB, for a failure message
};

// `tested` against `reference`, both taken at `fps` and width x height.
PictureComparison ComparePictures(const std::filesystem::path& reference, const std::filesystem::path& tested,
                                  int fps, int width, int height);

// Seconds at which a tone starts in the video's sound: the first sample
// above a fifth of full scale after at least 0.3 s of quiet.
std::vector<double> ToneOnsets(const std::filesystem::path& video);

// The largest distance (seconds) from each onset of `reference` to the
// nearest of `tested`; and false when the counts differ.
bool MatchOnsets(const std::vector<double>& reference, const std::vector<double>& tested, double* worstSeconds);

}  // namespace kvtest
