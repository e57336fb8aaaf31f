#pragma once
// A closed room for a child process (the office): it runs in namespaces of
// its own, as the same user, with
//   - no network at all (a network namespace with nothing in it), unless asked;
//   - the system's folders (/usr, /etc, ...) as they are, but every other
//     folder of the machine (/home, /root, /tmp, /media, /mnt, /srv, ...)
//     replaced by an empty one, so no file of the user's or of anyone else's
//     can be opened from inside;
//   - only the folders the room names shown again at their own place, read-only
//     or writable, and one folder of ours shown as /tmp;
//   - no capabilities, and none to be gained: what the room hides stays hidden.
// It needs user namespaces (Linux, not disabled by the system's settings).
#include <filesystem>
#include <string>
#include <vector>

namespace kv {

struct ClosedRoom {
    std::vector<std::filesystem::path> readable;  // shown read-only at their own place
    std::vector<std::filesystem::path> writable;  // shown writable at their own place
    std::filesystem::path tmp;                    // shown writable as /tmp; required
    bool network = false;                         // keep the machine's network
};

// True when this system lets us make closed rooms (asked once per process).
bool ClosedRoomsWork();

// The top folders of the machine a room empties (/home, /tmp, /mnt, ...),
// all but the system's own.
std::vector<std::filesystem::path> FoldersARoomEmpties();

}  // namespace kv
