#pragma once
// A small disk of the test's own: a tmpfs of a given size mounted on a folder
// while it lives. Mounting needs root; without it Mounted() is false and the
// case is skipped with kNoMountReason.
#include <cstddef>
#include <filesystem>
#include <string>

namespace kvtest {

inline constexpr const char* kNoMountReason = "mounting a small tmpfs needs root (and a system that allows mounts)";

class SmallDisk {
public:
    // `size` as mount takes it: "64k", "1m".
    SmallDisk(const std::filesystem::path& folder, const std::string& size);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool Mounted() const { return m_mounted; }
    // Writes `bytes` into the disk, as another program filling it would.
    void Fill(std::size_t bytes) const;
    // Fills the disk until only `left` bytes are free.
    void FillUpTo(std::size_t left) const;

private:
    std::filesystem::path m_folder;
    bool m_mounted = false;
};

}  // namespace kvtest
