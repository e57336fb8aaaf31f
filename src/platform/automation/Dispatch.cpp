#include "platform/automation/Dispatch.h"

#include <cstdio>

namespace kv {

namespace {
std::string Describe(HRESULT hr, const std::string& what) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08x", static_cast<unsigned>(hr));
    return what.empty() ? std::string("automation call failed, ") + code : what + " (" + code + ")";
}
}  // namespace

AutomationException::AutomationException(HRESULT hr, const std::string& what)
    : std::runtime_error(Describe(hr, what)), m_hr(hr) {}

HRESULT DispatchObject::GetIDsOfNames(std::string_view, DISPID* id) {
    if (id) *id = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT DispatchObject::QueryConnectionPointContainer(ConnectionPointContainerPtr* container) {
    if (container) container->reset();
    return E_NOINTERFACE;
}

}  // namespace kv
