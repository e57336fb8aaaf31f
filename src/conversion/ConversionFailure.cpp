#include "conversion/ConversionFailure.h"

#include <mutex>

#include "platform/core/PrintableText.h"

namespace kv {
namespace {

std::mutex g_failureMutex;
std::string g_strFailure;

}  // namespace

void ClearConversionFailure() { SetConversionFailure(""); }

void SetConversionFailure(const std::string& reason) {
    std::lock_guard lock(g_failureMutex);
    g_strFailure = reason;
}

std::string ConversionFailure() {
    std::lock_guard lock(g_failureMutex);
    return g_strFailure;
}

std::string ConversionFailedText(const std::string& reason) { return "Conversion failed: " + reason; }

std::string RecordingKeptText(const std::string& path) { return "The recording is kept at " + PrintableText(path); }

}  // namespace kv
