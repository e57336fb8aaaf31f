#pragma once
// Folders and files that only this user can reach. A folder of ours is taken
// only when it is a real folder (not a link) that this user owns; a file of
// ours is always made new, never an existing file or a link someone put there.
#include <filesystem>
#include <string>

namespace kv {

// Makes `folder` (and missing parents) with mode 0700 for the folder itself;
// an existing one must be a folder of this user's, and is then closed to
// others. False with the reason in *why.
bool MakePrivateFolder(const std::filesystem::path& folder, std::string* why = nullptr);

// True when `path` is a folder (not a link) that this user owns and nobody
// else may change.
bool IsPrivateFolder(const std::filesystem::path& path);

// Creates `path` as a new file only this user may read (0600); fails when
// anything exists there already, a link included. The open descriptor
// (close-on-exec), or -1 with errno set.
int CreatePrivateFile(const std::filesystem::path& path);

// CreatePrivateFile, closed at once: the file is there for another writer
// (ffmpeg, the office) to fill. False with errno set.
bool ReservePrivateFile(const std::filesystem::path& path);

// A private folder for a user without a home or runtime folder:
// /tmp/kalvista-<uid> when it is ours, else a new folder with a random name.
// Made once per process.
std::filesystem::path UserFallbackFolder();

}  // namespace kv
