#pragma once
// Chapters and subtitles from the slides a recording showed: FFmpeg's
// metadata file (one chapter per slide), the chapter list that video sites
// read from a description, and speaker notes as SubRip cues.
#include <string>

#include "recording/state/ShownSlides.h"

namespace kv {

// ";FFMETADATA1" with one [CHAPTER] per slide in milliseconds; the first
// starts at 0, each ends where the next starts, the last at `videoSeconds`.
std::string ChapterMetadata(const ShownSlides& slides, double videoSeconds);

// One line per slide, "m:ss Title" ("h:mm:ss Title" from an hour on); the
// first at 0:00 whatever its recorded time.
std::string ChapterListText(const ShownSlides& slides);

// A SubRip cue for each slide with notes, shown while the slide is.
std::string NotesSubtitles(const ShownSlides& slides, double videoSeconds);

// The notes as a soft subtitle track of a format that keeps one: the codec
// ffmpeg writes it with, the suffix of the file it reads and that file's
// text. Notes are plain text, so the track's input must not read markup in
// them (SubRip would take "<pause>" for a tag and drop it): MP4 and MOV
// encode from an ASS script, WebM copies escaped WebVTT. An empty codec:
// the format keeps no subtitles.
struct NotesTrack {
    std::string codec, suffix, text;
};
NotesTrack NotesTrackFor(int formatIndex, const ShownSlides& slides, double videoSeconds);

// Where a slide's time is a key frame: "0.000,12.400,...", for -force_key_frames;
// the first kMostKeyFrames slide changes only (the converter puts one at least
// every 10 s anyway), so a long show's list stays a size the command line takes.
inline constexpr std::size_t kMostKeyFrames = 1000;
std::string SlideKeyFrameTimes(const ShownSlides& slides);

// Whether the format keeps chapters (MP4, MOV, WebM).
bool FormatKeepsChapters(int formatIndex);
// Whether any shown slide has notes.
bool HasNotes(const ShownSlides& slides);

// `<video>.chapters.txt` beside "<folder>/<video>.<ext>", and the .srt the same way.
inline constexpr const char* kChapterListSuffix = ".chapters.txt";
inline constexpr const char* kSubtitleSuffix = ".srt";
// With a `number` above 0 it goes before the suffix: talk2.chapters.txt.
std::string SidecarPath(const std::string& videoPath, const std::string& suffix, int number = 0);
std::string ChapterListPath(const std::string& videoPath);
std::string SubtitlePath(const std::string& videoPath);

}  // namespace kv
