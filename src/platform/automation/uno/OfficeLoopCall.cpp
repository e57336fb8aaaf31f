#include "platform/automation/uno/OfficeLoopCall.h"

#include <com/sun/star/awt/AsyncCallback.hpp>

namespace kv::uno {

void OfficeLoopCall::Post(const Reference<css::uno::XComponentContext>& context) {
    css::awt::AsyncCallback::create(context)->addCallback(this, css::uno::Any());
}

void SAL_CALL OfficeLoopCall::notify(const css::uno::Any&) {
    {
        std::lock_guard lock(m_mutex);
        if (m_abandoned) return;  // its caller has gone; so has what the call refers to
        m_running = true;
    }
    std::exception_ptr failure;
    try {
        m_call();
    } catch (...) {
        failure = std::current_exception();
    }
    std::lock_guard lock(m_mutex);
    m_failure = failure;
    m_running = false;
    m_done = true;
    m_wake.notify_all();
}

bool OfficeLoopCall::Wait(const std::function<bool()>& gone) {
    std::unique_lock lock(m_mutex);
    while (!m_done) {
        if (!m_running && gone()) {
            m_abandoned = true;
            return false;
        }
        m_wake.wait_for(lock, std::chrono::milliseconds(50));
    }
    if (m_failure) std::rethrow_exception(m_failure);
    return true;
}

bool OfficeLoopCall::WaitFor(std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    return Wait([deadline] { return std::chrono::steady_clock::now() >= deadline; });
}

}  // namespace kv::uno
