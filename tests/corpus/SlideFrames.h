#pragma once
// What the corpus tests share: `kalvista --convert` run for real on decks,
// the videos' chapters and pictures read back, and the office's own drawing
// of a slide placed in a picture of the video's size, compared by PSNR.
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/automation/SlidePictures.h"
#include "platform/media/PictureFile.h"

namespace kvtest {

// Lines of text, each with the seconds since the run's start at which it appeared.
using Lines = std::vector<std::pair<double, std::string>>;

// `kalvista --convert` on the decks into `out` (a folder for several), in
// `work` (its log, settings and runtime folder). `wrapper` runs the program
// (for instance with fewer rights); `traced`, when given, gets the trace
// lines. Returns the output lines, each timed from the start; gives up after `limitSeconds`.
Lines ConvertWithKalvista(const std::filesystem::path& work, const std::vector<std::filesystem::path>& decks,
                          const std::filesystem::path& out, const std::vector<std::string>& arguments,
                          const std::vector<std::string>& wrapper = {}, Lines* traced = nullptr,
                          int limitSeconds = 150);

// The video that a batch run's output names for this deck ("Video: <path> (...)"), empty when none.
std::filesystem::path VideoOf(const Lines& lines, const std::string& deckFile, double* at = nullptr);
std::string Joined(const Lines& lines);

struct Chapter {
    double start, end;
};

// The video's chapters (one per shown slide) as a player lists them.
std::vector<Chapter> Chapters(const std::filesystem::path& video);

// The pictures of a video at these positions (or the nearest one after).
std::map<std::int64_t, kv::media::OwnedPicture> PicturesAt(const std::filesystem::path& video,
                                                           const std::vector<std::int64_t>& wanted);

// The picture on screen at each of these times (seconds), in their order:
// the last one at or before it (a drawn video holds a slide's picture only
// where the slide starts, at a rate of its own).
std::vector<kv::media::OwnedPicture> PicturesShownAt(const std::filesystem::path& video, const std::vector<double>& times);

struct Place {
    int left, top, width, height;
};

// Where a slide of this shape (width / height) lies in a picture of this
// size: fitted, centred. Worked out here, not by the code under test.
Place SlidePlace(double aspect, int width, int height);

// The office's own drawing of a slide, placed as a show places it in a
// picture of width x height: black around it. `subsampled`: its colour at
// half resolution, as the video keeps it. Empty with *why on failure.
kv::media::OwnedPicture Expected(kv::SlidePictures& deck, int number, double aspect, int width, int height,
                                 const std::filesystem::path& scratch, bool subsampled, std::string* why);

// An office of the program's own for drawing slides, started on first use
// under the current display and kept for the test program; EndDrawingOffice
// ends it (before its display goes).
kv::SlideDrawingOffice& DrawingOffice();
void EndDrawingOffice();

// Peak signal-to-noise ratio of two BGRA pictures of one size, over colour.
double Psnr(const kv::media::OwnedPicture& a, const kv::media::OwnedPicture& b);

}  // namespace kvtest
