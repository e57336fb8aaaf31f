#pragma once
// The closed room an office of ours runs in (see ClosedRoom.h): no network,
// and of the machine's files only the office's own (its program, its
// profile), the display, the sound server, the user's fonts and a folder of
// the run's for its scratch. A presentation is given to it as a copy in that
// folder, so whatever the deck links to outside itself is simply not there.
#include <filesystem>
#include <memory>
#include <string>

#include "platform/process/ClosedRoom.h"

namespace kv::uno {

class OfficeRoom {
public:
    // A room for the office `program` (as the program search finds it) with
    // this profile and the key to its display (`authority`; empty: the one
    // XAUTHORITY names), its folder made in the run's folder; null with *why
    // set when rooms cannot be made here.
    static std::unique_ptr<OfficeRoom> Make(const std::string& program, const std::filesystem::path& profile,
                                            const std::filesystem::path& authority, std::string* why);
    ~OfficeRoom();  // the room's folder and its link in /tmp go
    OfficeRoom(const OfficeRoom&) = delete;
    OfficeRoom& operator=(const OfficeRoom&) = delete;

    std::shared_ptr<const ClosedRoom> Room() const { return m_room; }
    // The folder of the room's own files (decks given to the office, its /tmp).
    const std::filesystem::path& Folder() const { return m_folder; }

    // The office accepts on a pipe inside the room; this makes that pipe
    // reachable from outside under its usual name. False with *why set.
    bool LinkPipe(const std::string& name, std::string* why);

private:
    OfficeRoom() = default;
    std::shared_ptr<ClosedRoom> m_room;
    std::filesystem::path m_folder;
    std::filesystem::path m_pipeLink;
};

// The pipe's socket name outside a room: /tmp/OSL_PIPE_<uid>_<name>.
std::filesystem::path PipeSocketPath(const std::filesystem::path& tmp, const std::string& name);

// Copies `presentation` into the room folder `roomFolder`, where an office in
// that room can read it; the copy's path, or empty with *why set.
std::filesystem::path StageInRoom(const std::filesystem::path& roomFolder, const std::filesystem::path& presentation,
                                  std::string* why);
// Removes a copy StageInRoom made (nothing when `opened` is the presentation itself).
void Unstage(const std::filesystem::path& opened, const std::filesystem::path& presentation);

}  // namespace kv::uno
