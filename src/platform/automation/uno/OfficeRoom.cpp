#include "platform/automation/uno/OfficeRoom.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "platform/core/Paths.h"
#include "platform/core/Trace.h"
#include "platform/files/RunFolder.h"
#include "platform/process/ChildProcess.h"

namespace kv::uno {

namespace fs = std::filesystem;

namespace {

fs::path FromEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? fs::path(value) : fs::path();
}

fs::path DataFolder() {
    const fs::path data = FromEnv("XDG_DATA_HOME");
    return data.empty() ? HomeFolder() / ".local" / "share" : data;
}

// A display reached over the network (ssh's forwarding, "host:0") needs the
// network; the local ones are sockets in /tmp/.X11-unix.
bool DisplayOverNetwork() {
    const std::string display = FromEnv("DISPLAY").string();
    const auto colon = display.rfind(':');
    const std::string host = colon == std::string::npos ? display : display.substr(0, colon);
    return !host.empty() && host != "unix" && host[0] != '/';
}

// What the office needs to show a slide show and play its sounds: the
// display and its key, the sound server, the user's own fonts.
std::vector<fs::path> ReadableByTheOffice(fs::path authority) {
    std::vector<fs::path> shown = {"/tmp/.X11-unix"};
    if (authority.empty()) authority = FromEnv("XAUTHORITY");
    shown.push_back(authority.empty() ? HomeFolder() / ".Xauthority" : authority);
    const std::string pulse = FromEnv("PULSE_SERVER").string();
    if (pulse.rfind("unix:", 0) == 0) shown.push_back(fs::path(pulse.substr(5)).parent_path());
    if (const fs::path runtime = FromEnv("XDG_RUNTIME_DIR"); !runtime.empty()) {
        shown.push_back(runtime / "pulse");
        shown.push_back(runtime / "pipewire-0");
    }
    shown.push_back(ConfigFolder() / "pulse");
    shown.push_back(HomeFolder() / ".fonts");
    shown.push_back(DataFolder() / "fonts");
    shown.push_back(ConfigFolder() / "fontconfig");
    shown.push_back(CacheFolder() / "fontconfig");
    if (const fs::path alsa = FromEnv("ALSA_CONFIG_PATH"); !alsa.empty()) shown.push_back(alsa);
    return shown;
}

}  // namespace

fs::path PipeSocketPath(const fs::path& tmp, const std::string& name) {
    return tmp / ("OSL_PIPE_" + std::to_string(::getuid()) + "_" + name);
}

std::unique_ptr<OfficeRoom> OfficeRoom::Make(const std::string& program, const fs::path& profile,
                                             const fs::path& authority, std::string* why) {
    if (!ClosedRoomsWork()) {
        *why = "this system does not let programs run in a closed room (user namespaces are off)";
        return nullptr;
    }
    const fs::path run = RunFolder();
    std::string pattern = (run / "office-XXXXXX").string();
    if (run.empty() || !::mkdtemp(pattern.data())) {
        *why = "no folder for the office's room in the run's folder";
        return nullptr;
    }
    std::unique_ptr<OfficeRoom> room(new OfficeRoom());
    std::error_code error;
    room->m_folder = fs::canonical(pattern, error);
    fs::create_directories(room->m_folder / "tmp", error);
    fs::create_directories(room->m_folder / "stage", error);
    room->m_room = std::make_shared<ClosedRoom>();
    room->m_room->tmp = room->m_folder / "tmp";
    room->m_room->writable = {profile, room->m_folder, CacheFolder() / "gstreamer-1.0"};
    room->m_room->readable = ReadableByTheOffice(authority);
    // An office installed outside the system's folders (in a home, say) is
    // shown whole: its program folder's parent holds what it loads.
    if (const auto found = ChildProcess::Resolve(program, {})) {
        const fs::path real = fs::canonical(*found, error);
        if (!error) room->m_room->readable.push_back(real.parent_path().parent_path());
    }
    room->m_room->network = DisplayOverNetwork();
    if (room->m_room->network) Trace("OfficeRoom : the display is reached over the network, so the office keeps it\n");
    return room;
}

bool OfficeRoom::LinkPipe(const std::string& name, std::string* why) {
    m_pipeLink = PipeSocketPath("/tmp", name);
    // A name nobody else has: the link is made new, never over something there.
    if (::symlink(PipeSocketPath(m_folder / "tmp", name).c_str(), m_pipeLink.c_str()) != 0) {
        *why = "cannot make the office's pipe " + m_pipeLink.string() + ": " + std::strerror(errno);
        m_pipeLink.clear();
        return false;
    }
    return true;
}

OfficeRoom::~OfficeRoom() {
    std::error_code ignored;
    if (!m_pipeLink.empty()) fs::remove(m_pipeLink, ignored);
    if (!m_folder.empty()) fs::remove_all(m_folder, ignored);
}

fs::path StageInRoom(const fs::path& roomFolder, const fs::path& presentation, std::string* why) {
    std::string pattern = (roomFolder / "stage" / "deck-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        *why = "no room for a copy of the presentation: " + std::string(std::strerror(errno));
        return {};
    }
    // A plain name of ours: what the office reads is the content, not the name.
    const fs::path copy = fs::path(pattern) / ("presentation" + presentation.extension().string());
    std::error_code error;
    if (!fs::copy_file(presentation, copy, error)) {
        *why = "the presentation could not be copied for the office (" + error.message() + ")";
        fs::remove_all(pattern, error);
        return {};
    }
    return copy;
}

void Unstage(const fs::path& opened, const fs::path& presentation) {
    if (opened.empty() || opened == presentation) return;
    std::error_code ignored;
    fs::remove_all(opened.parent_path(), ignored);
}

}  // namespace kv::uno
