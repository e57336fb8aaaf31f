#include "app/batch/DeckProgress.h"

#include "platform/core/PrintableText.h"

#include "app/batch/TerminalProgress.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace kv {

std::string DeckProgressText(size_t done, size_t failed, size_t total, const std::multiset<std::string>& running) {
    std::string text = "Presentations: " + std::to_string(done) + " of " + std::to_string(total) + " done";
    if (failed > 0) text += ", " + std::to_string(failed) + " failed";
    std::string names;
    for (const std::string& name : running) names += (names.empty() ? "" : ", ") + name;
    if (!names.empty()) text += "; now: " + names;
    return text;
}

DeckProgressLine::DeckProgressLine(int fd, size_t total) : m_fd(fd), m_terminal(::isatty(fd) == 1), m_total(total) {}

DeckProgressLine::~DeckProgressLine() {
    std::lock_guard lock(m_mutex);
    Clear();
}

void DeckProgressLine::Started(const std::string& presentation) {
    std::lock_guard lock(m_mutex);
    m_running.insert(PrintableText(std::filesystem::path(presentation).filename().string()));
    Show();
}

void DeckProgressLine::Ended(const std::string& presentation, bool ok, const std::function<void()>& printFinal) {
    std::lock_guard lock(m_mutex);
    const auto running = m_running.find(PrintableText(std::filesystem::path(presentation).filename().string()));
    if (running != m_running.end()) m_running.erase(running);
    ++m_done;
    if (!ok) ++m_failed;
    Clear();
    printFinal();
    std::fflush(stdout);
    std::fflush(stderr);
    if (m_done < m_total) Show();
}

void DeckProgressLine::Clear() {
    if (m_shown.empty()) return;
    WriteToTerminal(m_fd, RewrittenLine(m_shown, "") + "\r");
    m_shown.clear();
}

void DeckProgressLine::Show() {
    if (!m_terminal) return;
    const std::string text = DeckProgressText(m_done, m_failed, m_total, m_running);
    WriteToTerminal(m_fd, RewrittenLine(m_shown, text));
    m_shown = text;
}

}  // namespace kv
