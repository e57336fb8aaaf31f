#include "platform/automation/DispatchDriver.h"

namespace kv {

Variant COleDispatchDriver::InvokeHelper(DISPID id, WORD flags, std::vector<Variant> args) const {
    if (!m_lpDispatch) throw AutomationException(E_POINTER, "call through an empty dispatch holder");
    return m_lpDispatch->Invoke(id, flags, args);
}

Variant COleDispatchDriver::GetProperty(DISPID id) const { return InvokeHelper(id, DISPATCH_PROPERTYGET, {}); }

DispatchPtr COleDispatchDriver::GetDispatchProperty(DISPID id) const { return GetProperty(id).ToDispatch(); }

void COleDispatchDriver::SetProperty(DISPID id, const Variant& value) const {
    InvokeHelper(id, DISPATCH_PROPERTYPUT, {value});
}

Variant COleDispatchDriver::InvokeMethod(DISPID id, std::vector<Variant> args) const {
    return InvokeHelper(id, DISPATCH_METHOD, std::move(args));
}

}  // namespace kv
