#pragma once
// How much room the file system that holds a folder has left.
#include <cstdint>
#include <functional>
#include <string>

namespace kv {

struct FolderSpace {
    bool known = false;           // false: the folder could not be asked
    std::uint64_t freeBytes = 0;  // what an ordinary user may still write
    std::uint64_t device = 0;     // the file system; equal for folders that share one
};

FolderSpace FreeSpaceOf(const std::string& folder);

// Replaces where FreeSpaceOf gets its answers (null: the file system again),
// so a check can be made to see a disk filling up.
using FreeSpaceSource = std::function<FolderSpace(const std::string& folder)>;
void SetFreeSpaceSource(FreeSpaceSource source);

}  // namespace kv
