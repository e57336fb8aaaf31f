#pragma once
// The conversion's progress for a batch run on a terminal: one line,
// rewritten in place as ffmpeg reports. Output that is not a terminal (a
// log, a pipe) gets nothing from it.
#include <atomic>
#include <string>
#include <thread>

namespace kv {

// Writes all of `text`; a terminal that was closed is left at that.
void WriteToTerminal(int fd, const std::string& text);
// What puts `text` in place of `shown` on the terminal's current line.
std::string RewrittenLine(const std::string& shown, const std::string& text);

class TerminalProgressLine {
public:
    explicit TerminalProgressLine(int fd);
    // Shows the last figures and ends the line, when one was written.
    ~TerminalProgressLine();
    TerminalProgressLine(const TerminalProgressLine&) = delete;
    TerminalProgressLine& operator=(const TerminalProgressLine&) = delete;

private:
    void Refresh();
    void Write(const std::string& text);

    int m_fd;
    std::atomic<bool> m_stop{false};
    std::string m_shown;
    bool m_wrote = false;
    std::thread m_thread;
};

}  // namespace kv
