#pragma once
// Answers every question the office would ask while loading (a password, a
// repair, a filter's options) with "abort": nothing may wait for a click.
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/task/XInteractionRequest.hpp>

#include <atomic>

#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

class InteractionBlocker : public cppu::WeakImplHelper1<css::task::XInteractionHandler> {
public:
    void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override {
        m_asked = true;
        const auto continuations = request->getContinuations();
        for (sal_Int32 i = 0; i < continuations.getLength(); ++i) {
            Reference<css::task::XInteractionAbort> abort(continuations[i], UNO_QUERY);
            if (abort.is()) {
                abort->select();
                return;
            }
        }
    }
    // True once the office has asked something (the load was then refused).
    bool Asked() const { return m_asked; }

private:
    std::atomic<bool> m_asked{false};
};

}  // namespace kv::uno
