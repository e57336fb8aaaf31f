#pragma once
// How far a run over several presentations (or a fast one) has come, on a
// terminal: one line, rewritten in place as presentations start and end;
// each presentation's own final line is printed above it. Output that is not
// a terminal (a log, a pipe) gets only the final lines.
#include <functional>
#include <mutex>
#include <set>
#include <string>

namespace kv {

// "Presentations: 3 of 10 done, 1 failed; now: a.pptx, b.odp".
std::string DeckProgressText(size_t done, size_t failed, size_t total, const std::multiset<std::string>& running);

class DeckProgressLine {
public:
    DeckProgressLine(int fd, size_t total);
    // Clears the line, when one was written.
    ~DeckProgressLine();
    DeckProgressLine(const DeckProgressLine&) = delete;
    DeckProgressLine& operator=(const DeckProgressLine&) = delete;

    void Started(const std::string& presentation);
    // `printFinal` prints the presentation's own line while the progress line is cleared.
    void Ended(const std::string& presentation, bool ok, const std::function<void()>& printFinal);

private:
    void Clear();
    void Show();

    int m_fd;
    bool m_terminal;
    size_t m_total, m_done = 0, m_failed = 0;
    std::multiset<std::string> m_running;
    std::string m_shown;  // the line on the terminal now; empty when none
    std::mutex m_mutex;
};

}  // namespace kv
