#include "recording/state/RecordingReport.h"

#include <mutex>

namespace kv {
namespace {

std::mutex g_reportMutex;
RecordingReport g_report;

}  // namespace

void ClearRecordingReport() {
    std::lock_guard lock(g_reportMutex);
    g_report = {};
}

void SetRecordingFailure(const std::string& text) {
    std::lock_guard lock(g_reportMutex);
    g_report.failure = text;
}

void SetRecordingNotice(const std::string& text) {
    std::lock_guard lock(g_reportMutex);
    g_report.notice = text;
}

void SetRecordingRefusal(const std::string& text) {
    std::lock_guard lock(g_reportMutex);
    g_report.refusal = text;
}

RecordingReport GetRecordingReport() {
    std::lock_guard lock(g_reportMutex);
    return g_report;
}

}  // namespace kv
