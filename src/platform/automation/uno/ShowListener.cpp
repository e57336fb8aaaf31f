#include "platform/automation/uno/ShowListener.h"

#include "platform/automation/uno/UnoObjects.h"

namespace kv::uno {

ShowListener::ShowListener(std::weak_ptr<UnoSession> session, std::weak_ptr<UnoDocument> document)
    : m_session(std::move(session)), m_document(std::move(document)) {}

void ShowListener::slideEnded(sal_Bool reverse) {
    auto document = m_document.lock();
    if (!document || reverse || !document->controller.is()) return;
    // Called by the office; asking it back on this thread is how its bridge works.
    document->lastSlideEnded = document->controller->getCurrentSlideIndex() >= document->slideCount - 1;
}

void ShowListener::paused() {
    auto document = m_document.lock();
    auto session = m_session.lock();
    if (!document || !session || !document->lastSlideEnded || document->endScreen.exchange(true)) return;
    session->ShowEnded(document);
}

void ShowListener::slideTransitionStarted() {
    auto document = m_document.lock();
    auto session = m_session.lock();
    if (!document || !session || document->ended) return;
    session->events->Fire(2013, {Variant::Dispatch(MakeShowWindow(session, document))});
}

}  // namespace kv::uno
