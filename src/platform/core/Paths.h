#pragma once
// Where the program and the user's folders are.
#include <filesystem>

namespace kv {

// The folder of the running program (from /proc/self/exe); empty if unknown.
std::filesystem::path ProgramFolder();
std::filesystem::path HomeFolder();
// ${XDG_CONFIG_HOME:-~/.config}
std::filesystem::path ConfigFolder();
// ${XDG_CACHE_HOME:-~/.cache}
std::filesystem::path CacheFolder();
// ~/Videos when it exists, else the home folder.
std::filesystem::path VideosFolder();
// $XDG_RUNTIME_DIR when it is set and a private folder of this user's, else
// UserFallbackFolder() (never a folder others can write to).
std::filesystem::path RuntimeFolder();

// True when `path` is `folder` or lies inside it (compared as written, after
// "." and ".." are resolved; an empty folder holds nothing).
bool PathUnder(const std::filesystem::path& path, const std::filesystem::path& folder);

}  // namespace kv
