#pragma once
// An office profile's first start: on a new profile (or after the office was
// updated) the office registers its bundled extensions and then restarts
// itself, so a connection made to it before the restart breaks right away.
// That start is made once beforehand, without a display or a pipe.
#include <filesystem>
#include <memory>
#include <string>

#include "platform/process/ClosedRoom.h"

namespace kv::uno {

// True when the office would restart itself on its next start with `profile`.
bool ProfileNeedsFirstStart(const std::filesystem::path& profile);

// Starts `program` once on `profileUrl` up to its initialisation (in `room`
// when given) and waits for its end; false with `error` set when it failed or
// took too long.
bool RunFirstStart(const std::string& program, const std::string& profileUrl, int limitMs,
                   std::shared_ptr<const ClosedRoom> room, std::string* error);

}  // namespace kv::uno
