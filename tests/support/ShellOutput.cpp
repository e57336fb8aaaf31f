#include "support/ShellOutput.h"

#include <cstdio>
#include <memory>

namespace kvtest {

std::string ShellOutput(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    if (!pipe) return out;
    char buffer[256];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
    return out;
}

}  // namespace kvtest
