#pragma once
// Every temporary file of a run (the recording, its sound, the journal, the
// converter's logs, probes, the office's scratch) lives in one folder of its
// own: made on first use with a random name under the user's cache folder,
// closed to other users (0700), held by the run while it lives and removed
// when it ends. Two runs at once, of one user or of two, never share a file.
// A run that was killed leaves its folder behind for the next start to find.
#include <filesystem>
#include <string>
#include <vector>

namespace kv {

// Where this user's run folders are: ${XDG_CACHE_HOME:-~/.cache}/Kalvista/runs.
std::filesystem::path RunsFolder();

// This run's folder, made on first use; empty when none could be made.
std::filesystem::path RunFolder();

// A new file name in the run folder, never used before in this run:
// `stem`-<n>`extension`. In the user's fallback folder when there is no run folder.
std::filesystem::path NewRunFile(const std::string& stem, const std::string& extension);

// The user was told that this file of the run folder is kept there: the end
// of the run leaves it (and its folder) in place.
void KeepInRunFolder(const std::filesystem::path& file);

// Removes the run folder now, all but what is kept; the next RunFolder()
// makes a new one. Also done when the program ends normally.
void EndRunFolder();

// Folders of runs of this user's that ended without removing them (a crash,
// a kill): no running program holds them. Folders that are not this user's
// own are never listed.
std::vector<std::filesystem::path> AbandonedRuns();

// Removes an abandoned run's folder but for the files in `kept`; a folder
// with kept files stays, no longer counted as abandoned.
void RetireRun(const std::filesystem::path& folder, const std::vector<std::filesystem::path>& kept = {});

}  // namespace kv
