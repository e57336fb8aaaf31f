#include "platform/automation/Apartment.h"

#include <atomic>

namespace kv {

namespace {
std::atomic<MessageThread*> g_apartment{nullptr};
std::atomic<int> g_initCount{0};
}  // namespace

HRESULT OleInitialize(MessageThread* thread) {
    if (g_initCount.fetch_add(1) == 0) {
        g_apartment = thread;
        return S_OK;
    }
    return S_FALSE;
}

void OleUninitialize() {
    int previous = g_initCount.load();
    while (previous > 0 && !g_initCount.compare_exchange_weak(previous, previous - 1)) {
    }
    if (previous == 1) g_apartment = nullptr;
}

MessageThread* AutomationApartment() { return g_apartment.load(); }

}  // namespace kv
