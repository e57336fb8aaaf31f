#include "support/SmallDisk.h"

#include <sys/mount.h>
#include <unistd.h>

#include <fstream>

namespace kvtest {

SmallDisk::SmallDisk(const std::filesystem::path& folder, const std::string& size) : m_folder(folder) {
    std::filesystem::create_directories(folder);
    m_mounted = ::geteuid() == 0 && ::mount("kalvista-test", folder.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
}

SmallDisk::~SmallDisk() {
    if (m_mounted) ::umount2(m_folder.c_str(), MNT_DETACH);
}

void SmallDisk::Fill(std::size_t bytes) const {
    std::ofstream(m_folder / "filler", std::ios::binary).write(std::string(bytes, 'x').data(), bytes);
}

void SmallDisk::FillUpTo(std::size_t left) const {
    const std::filesystem::space_info space = std::filesystem::space(m_folder);
    if (space.available > left) Fill(space.available - left);
}

}  // namespace kvtest
