#include "platform/automation/uno/ShowEndWatch.h"

#include "platform/automation/Dispatch.h"
#include "platform/automation/uno/UnoSession.h"
#include "platform/core/Trace.h"

namespace kv::uno {

ShowEndWatch::ShowEndWatch(std::shared_ptr<UnoSession> session, std::shared_ptr<UnoDocument> document)
    : m_session(session), m_document(document) {
    m_thread = std::thread([this] { Run(); });
}

ShowEndWatch::~ShowEndWatch() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.get_id() == std::this_thread::get_id())
        m_thread.detach();
    else
        m_thread.join();
}

bool ShowEndWatch::StillRunning(UnoSession& session, UnoDocument& document) {
    auto controller = document.controller;
    if (!controller.is()) return false;
    bool running = true;
    try {
        session.office->Call([&] { running = controller->isRunning(); });
    } catch (const AutomationException&) {
        // An office that went away ends the show through its own path.
        running = !session.office->Alive();
    }
    return running;
}

void ShowEndWatch::Run() {
    std::unique_lock lock(m_mutex);
    while (!m_wake.wait_for(lock, kInterval, [this] { return m_stop; })) {
        lock.unlock();
        auto session = m_session.lock();
        auto document = m_document.lock();
        if (!session || !document || document->ended) return;
        if (!document->holding && !StillRunning(*session, *document) && !document->ended) {
            Trace("Office slide show ended by the office\n");
            session->ShowEnded(document);
            return;
        }
        lock.lock();
    }
}

}  // namespace kv::uno
