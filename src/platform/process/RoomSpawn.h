#pragma once
// How ChildProcess starts a child in a closed room (ClosedRoom.h): forked,
// its namespaces and folders made, then the program executed.
#include <sys/types.h>

#include "platform/process/ClosedRoom.h"

namespace kv {

struct RoomSpawn {
    const ClosedRoom* room = nullptr;
    const char* program = nullptr;  // a full path
    char* const* argv = nullptr;
    char* const* env = nullptr;
    const char* output = nullptr;   // stdout and stderr
    bool newProcessGroup = false;
};

// The child's pid, or -1 with errno in *error (the step that failed is traced).
pid_t SpawnInRoom(const RoomSpawn& spawn, int* error);

}  // namespace kv
