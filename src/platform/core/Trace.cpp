#include "platform/core/Trace.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>

namespace kv {
namespace {

struct TraceState {
    std::mutex mutex;
    std::map<int, std::vector<std::string>> captures;
    int nextId = 1;
};

TraceState& State() {
    static TraceState state;
    return state;
}

// With KALVISTA_TRACE_CLOCK set, each line starts with the seconds of the
// steady clock and the writing thread, to put a run's steps in time.
void WriteLine(FILE* f, std::string_view text) {
    static const bool clock = [] {
        const char* value = std::getenv("KALVISTA_TRACE_CLOCK");
        return value && *value && std::string_view(value) != "0";
    }();
    if (clock) {
        const double now = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        std::fprintf(f, "[%.3f %ld] ", now, static_cast<long>(::syscall(SYS_gettid)));
    }
    std::fwrite(text.data(), 1, text.size(), f);
    if (text.empty() || text.back() != '\n') std::fputc('\n', f);
}

void WriteToSink(std::string_view text) {
    const char* target = std::getenv("KALVISTA_TRACE");
    if (!target || !*target || std::string_view(target) == "0") return;
    if (std::string_view(target) == "1") {
        WriteLine(stderr, text);
        return;
    }
    if (FILE* f = std::fopen(target, "a")) {
        WriteLine(f, text);
        std::fclose(f);
    }
}

}  // namespace

void Trace(std::string_view text) {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    for (auto& [id, lines] : state.captures) lines.emplace_back(text);
    WriteToSink(text);
}

void TraceF(const char* format, ...) {
    char buffer[1024] = {};
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    Trace(buffer);
}

TraceCapture::TraceCapture() {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    m_id = state.nextId++;
    state.captures[m_id];
}

TraceCapture::~TraceCapture() {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    state.captures.erase(m_id);
}

std::vector<std::string> TraceCapture::Lines() const {
    auto& state = State();
    std::lock_guard lock(state.mutex);
    return state.captures[m_id];
}

bool TraceCapture::Contains(std::string_view text) const {
    for (const auto& line : Lines())
        if (line.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace kv
