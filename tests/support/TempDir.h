#pragma once
// A fresh temporary folder, removed with everything in it at the end.
#include <filesystem>
#include <string>

namespace kvtest {

class TempDir {
public:
    // Inside `parent` when given (for instance /dev/shm), else the temporary folder.
    explicit TempDir(const std::string& prefix = "kalvista-test", const std::filesystem::path& parent = {});
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Makes `dir` this process's home for a whole-program run (a benchmark's):
// HOME, the XDG folders, the settings file and the office's profiles lie in it.
void UseAsHome(const TempDir& dir);

// Points KALVISTA_REGISTRY at a settings file of its own while it lives.
class ScopedRegistry {
public:
    ScopedRegistry();
    ~ScopedRegistry();
    const std::filesystem::path& file() const { return m_file; }

private:
    TempDir m_dir;
    std::filesystem::path m_file;
    std::string m_previous;
    bool m_hadPrevious = false;
};

}  // namespace kvtest
