#include "support/RunMarker.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace kvtest {

namespace fs = std::filesystem;

std::string ReadTextFile(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::vector<pid_t> ProcessesWithMarker(const std::string& marker) {
    std::vector<pid_t> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::string environment = ReadTextFile(entry.path() / "environ");
        std::replace(environment.begin(), environment.end(), '\0', '\n');
        if (environment.find(marker + "\n") != std::string::npos) found.push_back(std::stoi(name));
    }
    return found;
}

}  // namespace kvtest
