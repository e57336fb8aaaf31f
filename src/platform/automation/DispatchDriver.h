#pragma once
// A holder of one office object: attaching a new object releases the old one,
// releasing leaves it empty, and every call is made by member number. A call
// through an empty holder or a failed call throws AutomationException.
#include <initializer_list>
#include <vector>

#include "platform/automation/Dispatch.h"

namespace kv {

class COleDispatchDriver {
public:
    COleDispatchDriver() = default;
    explicit COleDispatchDriver(DispatchPtr object) : m_lpDispatch(std::move(object)) {}

    void AttachDispatch(DispatchPtr object) { m_lpDispatch = std::move(object); }
    void ReleaseDispatch() { m_lpDispatch.reset(); }
    DispatchPtr DetachDispatch() { return std::move(m_lpDispatch); }
    bool IsEmpty() const { return !m_lpDispatch; }

    Variant GetProperty(DISPID id) const;
    // Reads a property that holds an object (empty when the office gives none).
    DispatchPtr GetDispatchProperty(DISPID id) const;
    void SetProperty(DISPID id, const Variant& value) const;
    Variant InvokeMethod(DISPID id, std::vector<Variant> args = {}) const;
    Variant InvokeHelper(DISPID id, WORD flags, std::vector<Variant> args) const;

    DispatchPtr m_lpDispatch;
};

}  // namespace kv
