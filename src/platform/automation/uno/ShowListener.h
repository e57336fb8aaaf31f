#pragma once
// Listens to a running show. This office fires no end-of-show event: after the
// last slide the show ends that slide and pauses on a black closing screen,
// and that pair is taken as the end.
#include <com/sun/star/document/XDocumentEventListener.hpp>

#include <functional>
#include <memory>

#include "platform/automation/uno/UnoSession.h"

namespace kv::uno {

class ShowListener : public cppu::WeakImplHelper1<css::presentation::XSlideShowListener> {
public:
    ShowListener(std::weak_ptr<UnoSession> session, std::weak_ptr<UnoDocument> document);

    void SAL_CALL paused() override;
    void SAL_CALL resumed() override {}
    void SAL_CALL slideTransitionStarted() override;
    void SAL_CALL slideTransitionEnded() override;
    void SAL_CALL slideAnimationsEnded() override;
    void SAL_CALL slideEnded(sal_Bool reverse) override;
    void SAL_CALL hyperLinkClicked(const OUString&) override {}
    void SAL_CALL beginEvent(const Reference<css::animations::XAnimationNode>&) override;
    void SAL_CALL endEvent(const Reference<css::animations::XAnimationNode>&) override {}
    void SAL_CALL repeat(const Reference<css::animations::XAnimationNode>&, sal_Int32) override {}
    void SAL_CALL disposing(const css::lang::EventObject&) override {}

private:
    std::weak_ptr<UnoSession> m_session;
    std::weak_ptr<UnoDocument> m_document;
};

// The office ends a show by itself (Escape in it, its own menu) without a
// word to the show's listeners: the show's controller goes away (this
// office), or the document says so (later ones); either is the end.
class ShowEndWatch : public cppu::WeakImplHelper1<css::document::XDocumentEventListener> {
public:
    ShowEndWatch(std::weak_ptr<UnoSession> session, std::weak_ptr<UnoDocument> document);

    void SAL_CALL documentEventOccured(const css::document::DocumentEvent& event) override;
    void SAL_CALL disposing(const css::lang::EventObject& event) override;

private:
    void Ended(const char* how);
    std::weak_ptr<UnoSession> m_session;
    std::weak_ptr<UnoDocument> m_document;
};

}  // namespace kv::uno
