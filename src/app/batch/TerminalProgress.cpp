#include "app/batch/TerminalProgress.h"

#include <unistd.h>

#include <chrono>

#include "conversion/ConversionProgress.h"

namespace kv {

TerminalProgressLine::TerminalProgressLine(int fd) : m_fd(fd) {
    if (::isatty(fd) != 1) return;
    m_thread = std::thread([this] {
        while (!m_stop) {
            Refresh();
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
    });
}

TerminalProgressLine::~TerminalProgressLine() {
    if (!m_thread.joinable()) return;
    m_stop = true;
    m_thread.join();
    Refresh();
    if (m_wrote) Write("\n");
}

void TerminalProgressLine::Refresh() {
    const std::string text = ConversionProgressText(GetConversionProgress());
    if (text.empty() || text == m_shown) return;
    Write(RewrittenLine(m_shown, text));
    m_shown = text;
    m_wrote = true;
}

void TerminalProgressLine::Write(const std::string& text) { WriteToTerminal(m_fd, text); }

std::string RewrittenLine(const std::string& shown, const std::string& text) {
    // Blanks cover what is left of a longer line before.
    std::string line = "\r" + text;
    if (shown.size() > text.size()) line += std::string(shown.size() - text.size(), ' ');
    return line;
}

void WriteToTerminal(int fd, const std::string& text) {
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n <= 0) return;  // a closed terminal: the run goes on without the line
        written += static_cast<size_t>(n);
    }
}

}  // namespace kv
