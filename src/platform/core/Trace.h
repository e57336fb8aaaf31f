#pragma once
// Diagnostic trace lines. Off by default; KALVISTA_TRACE=1 sends them to
// stderr, KALVISTA_TRACE=<path> appends them to that file. Tests can capture
// them with a TraceCapture.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// Writes one trace line exactly as given (callers include their own "\n"
// where the program's texts have one).
void Trace(std::string_view text);

// printf-style trace into a cleared 1024-character buffer.
void TraceF(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Collects every trace line written while it lives (all threads).
class TraceCapture {
public:
    TraceCapture();
    ~TraceCapture();
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::vector<std::string> Lines() const;
    bool Contains(std::string_view text) const;

private:
    int m_id;
};

}  // namespace kv
