#pragma once
// A call run on the office's main thread, in its own turn of the office's
// event loop (also inside a modal dialog's loop). The office calls `notify`
// from that thread and waits for it to return; the calls `notify` makes into
// the office meanwhile run on that thread too, with the office's own lock
// held, as its windows and documents ask.
#include <com/sun/star/awt/XCallback.hpp>
#include <cppuhelper/implbase1.hxx>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>

#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

class OfficeLoopCall : public cppu::WeakImplHelper1<css::awt::XCallback> {
public:
    // `call` must live until Wait or WaitFor has returned.
    explicit OfficeLoopCall(const std::function<void()>& call) : m_call(call) {}

    // Puts the call in the office's queue of things to do.
    void Post(const Reference<css::uno::XComponentContext>& context);

    void SAL_CALL notify(const css::uno::Any&) override;

    // Waits until the call has run, and rethrows what it threw; false when
    // `gone` says first that it never will (a call under way is always waited for).
    bool Wait(const std::function<bool()>& gone);
    // As Wait, giving up after `limit` when the call has not begun by then.
    bool WaitFor(std::chrono::milliseconds limit);

private:
    const std::function<void()>& m_call;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_running = false;
    bool m_done = false;
    bool m_abandoned = false;
    std::exception_ptr m_failure;
};

}  // namespace kv::uno
