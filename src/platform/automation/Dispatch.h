#pragma once
// The dispatch layer: objects of the office answer calls by member number
// (DISPID) with typed arguments; event sinks are reference-counted objects
// that the office calls back through a connection point.
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/automation/AutomationTypes.h"
#include "platform/automation/Variant.h"

namespace kv {

// A failed call: the backend's result code and what happened.
class AutomationException : public std::runtime_error {
public:
    explicit AutomationException(HRESULT hr, const std::string& what = {});
    HRESULT Result() const { return m_hr; }

private:
    HRESULT m_hr;
};

// The reference-counted side: what an event sink implements.
class IUnknown {
public:
    virtual HRESULT QueryInterface(const IID& riid, void** ppv) = 0;
    virtual long AddRef() = 0;
    virtual long Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

struct DISPPARAMS {
    // Arguments in call order (first argument first).
    std::vector<Variant> rgvarg;
    unsigned cArgs() const { return static_cast<unsigned>(rgvarg.size()); }
};

struct EXCEPINFO {
    HRESULT scode = S_OK;
    std::string description;
};

class IDispatch : public IUnknown {
public:
    virtual HRESULT GetTypeInfoCount(unsigned* count) = 0;
    virtual HRESULT GetTypeInfo(unsigned index, LCID lcid, void** typeInfo) = 0;
    virtual HRESULT GetIDsOfNames(const IID& riid, const std::string* names, unsigned count, LCID lcid,
                                  DISPID* ids) = 0;
    virtual HRESULT Invoke(DISPID id, const IID& riid, LCID lcid, WORD flags, DISPPARAMS* params, Variant* result,
                           EXCEPINFO* excepInfo, unsigned* argErr) = 0;
};

class IConnectionPoint {
public:
    virtual ~IConnectionPoint() = default;
    // Connects a sink (asked for the event interface); the cookie names the connection.
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT Unadvise(DWORD cookie) = 0;
};
using ConnectionPointPtr = std::shared_ptr<IConnectionPoint>;

class IConnectionPointContainer {
public:
    virtual ~IConnectionPointContainer() = default;
    virtual HRESULT FindConnectionPoint(const IID& riid, ConnectionPointPtr* point) = 0;
};
using ConnectionPointContainerPtr = std::shared_ptr<IConnectionPointContainer>;

// An object of the office. Calls fail by throwing AutomationException.
class DispatchObject {
public:
    virtual ~DispatchObject() = default;
    // `args` in call order; property puts carry the new value as the last argument.
    virtual Variant Invoke(DISPID id, WORD flags, const std::vector<Variant>& args) = 0;
    // The member number of a name; DISP_E_UNKNOWNNAME when it has none.
    virtual HRESULT GetIDsOfNames(std::string_view name, DISPID* id);
    // The object's connection points; E_NOINTERFACE when it fires no events.
    virtual HRESULT QueryConnectionPointContainer(ConnectionPointContainerPtr* container);
};

}  // namespace kv
