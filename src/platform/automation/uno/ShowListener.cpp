#include "platform/automation/uno/ShowListener.h"

#include "platform/automation/uno/ShowClock.h"
#include "platform/automation/uno/UnoObjects.h"
#include "platform/core/Trace.h"

namespace kv::uno {

ShowListener::ShowListener(std::weak_ptr<UnoSession> session, std::weak_ptr<UnoDocument> document)
    : m_session(std::move(session)), m_document(std::move(document)) {}

void ShowListener::slideEnded(sal_Bool reverse) {
    auto document = m_document.lock();
    if (!document || reverse || document->holding || !document->controller.is()) return;
    // Called by the office; asking it back on this thread is how its bridge works.
    const sal_Int32 index = document->controller->getCurrentSlideIndex();
    TraceF("Office slide %d ended\n", static_cast<int>(index) + 1);
    document->lastSlideEnded = index >= document->ShownCount() - 1;
}

void ShowListener::paused() {
    Trace("Office slide show paused\n");
    auto document = m_document.lock();
    auto session = m_session.lock();
    if (!document || !session || document->holding) return;
    // Paused by itself on the last slide: that is the closing screen.
    const bool onLast = document->lastSlideEnded || document->GetOnScreen().index >= document->ShownCount() - 1;
    if (!onLast || document->endScreen.exchange(true)) return;
    session->ShowEnded(document);
}

void ShowListener::slideTransitionStarted() {
    auto document = m_document.lock();
    auto session = m_session.lock();
    if (!document || !session || document->ended || document->holding) return;
    if (!document->controller.is()) return;
    const sal_Int32 index = document->controller->getCurrentSlideIndex();
    document->SetOnScreen(index);
    TraceF("Office slide %d started\n", static_cast<int>(index) + 1);
    if (auto clock = document->clock.load()) clock->SlideStarted(index);
    session->events->Fire(2013, {Variant::Dispatch(MakeShowWindow(session, document))});
}

}  // namespace kv::uno

namespace kv::uno {

ShowEndWatch::ShowEndWatch(std::weak_ptr<UnoSession> session, std::weak_ptr<UnoDocument> document)
    : m_session(std::move(session)), m_document(std::move(document)) {}

void ShowEndWatch::documentEventOccured(const css::document::DocumentEvent& event) {
    if (event.EventName == "OnEndPresentation") Ended("its document");
}

void ShowEndWatch::disposing(const css::lang::EventObject& event) {
    auto document = m_document.lock();
    // Only the running show's controller: an earlier one may go later.
    if (document && document->controller.is() && event.Source == document->controller) Ended("its controller");
}

void ShowEndWatch::Ended(const char* how) {
    auto document = m_document.lock();
    auto session = m_session.lock();
    if (!document || !session || document->ended) return;
    TraceF("Office slide show ended by the office (%s)\n", how);
    session->ShowEnded(document);
}

void ShowListener::slideTransitionEnded() {
    if (auto document = m_document.lock()) document->slideShown = true;
}

// The slide's effects begin (its root first) once its transition is over;
// a slide whose effects wait for a click says no more than that.
void ShowListener::beginEvent(const Reference<css::animations::XAnimationNode>&) {
    auto document = m_document.lock();
    if (!document) return;
    document->slideShown = true;
    if (auto clock = document->clock.load()) clock->EffectsBegan();
}

void ShowListener::slideAnimationsEnded() {
    if (auto document = m_document.lock()) document->slideShown = true;
}

}  // namespace kv::uno
