#pragma once
// Answers every question the office would ask while loading (a password, a
// repair, a filter's options) with "abort": nothing may wait for a click.
// What was asked tells why the load then failed.
#include <com/sun/star/document/BrokenPackageRequest.hpp>
#include <com/sun/star/task/PasswordRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/task/XInteractionRequest.hpp>

#include <atomic>

#include "platform/automation/uno/UnoHeaders.h"
#include "platform/core/Trace.h"

namespace kv::uno {

enum class OfficeQuestion { None, Password, Repair, Other };

class InteractionBlocker : public cppu::WeakImplHelper1<css::task::XInteractionHandler> {
public:
    void SAL_CALL handle(const Reference<css::task::XInteractionRequest>& request) override {
        const css::uno::Any asked = request->getRequest();
        TraceF("Office question while loading: %s\n", asked.getValueTypeName().toUtf8().getStr());
        OfficeQuestion kind = OfficeQuestion::Other;
        if (asked.isExtractableTo(cppu::UnoType<css::task::PasswordRequest>::get()))
            kind = OfficeQuestion::Password;
        else if (asked.isExtractableTo(cppu::UnoType<css::document::BrokenPackageRequest>::get()))
            kind = OfficeQuestion::Repair;
        // The first question is the one that stopped the load.
        OfficeQuestion none = OfficeQuestion::None;
        m_first.compare_exchange_strong(none, kind);
        const auto continuations = request->getContinuations();
        for (sal_Int32 i = 0; i < continuations.getLength(); ++i) {
            Reference<css::task::XInteractionAbort> abort(continuations[i], UNO_QUERY);
            if (abort.is()) {
                abort->select();
                return;
            }
        }
    }
    // What the office asked first (None when it asked nothing).
    OfficeQuestion FirstQuestion() const { return m_first; }

private:
    std::atomic<OfficeQuestion> m_first{OfficeQuestion::None};
};

}  // namespace kv::uno
