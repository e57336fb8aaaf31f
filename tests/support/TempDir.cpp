#include "support/TempDir.h"

#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace kvtest {
namespace fs = std::filesystem;

TempDir::TempDir(const std::string& prefix, const fs::path& parent) {
    std::string pattern = ((parent.empty() ? fs::temp_directory_path() : parent) / (prefix + "-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) throw std::runtime_error("mkdtemp failed");
    m_path = buffer.data();
}

TempDir::~TempDir() {
    std::error_code error;
    // Make everything removable again (tests take write permission away).
    for (auto it = fs::recursive_directory_iterator(m_path, fs::directory_options::skip_permission_denied, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it->is_directory(error)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, error);
    }
    fs::permissions(m_path, fs::perms::owner_all, fs::perm_options::add, error);
    fs::remove_all(m_path, error);
}

void UseAsHome(const TempDir& dir) {
    setenv("HOME", dir.path().c_str(), 1);
    setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    setenv("XDG_CACHE_HOME", (dir / "cache").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (dir / "run").c_str(), 1);
    fs::create_directories(dir / "run");
    setenv("KALVISTA_REGISTRY", (dir / "settings.reg").c_str(), 1);
    setenv("KALVISTA_OFFICE_PROFILES", (dir / "profiles").c_str(), 1);
}

ScopedRegistry::ScopedRegistry() : m_dir("kalvista-registry"), m_file(m_dir.path() / "Kalvista.reg") {
    if (const char* previous = std::getenv("KALVISTA_REGISTRY")) {
        m_hadPrevious = true;
        m_previous = previous;
    }
    setenv("KALVISTA_REGISTRY", m_file.c_str(), 1);
}

ScopedRegistry::~ScopedRegistry() {
    if (m_hadPrevious) setenv("KALVISTA_REGISTRY", m_previous.c_str(), 1);
    else unsetenv("KALVISTA_REGISTRY");
}

}  // namespace kvtest
