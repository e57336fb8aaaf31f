#include "platform/automation/EventConnectionPoint.h"

#include "platform/automation/Apartment.h"

namespace kv {

EventConnectionPoint::EventConnectionPoint(const IID& eventInterface) : m_iid(eventInterface) {}

EventConnectionPoint::~EventConnectionPoint() {
    for (auto& [cookie, sink] : m_sinks) sink->Release();
}

HRESULT EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    void* events = nullptr;
    if (FAILED(sink->QueryInterface(m_iid, &events)) || !events) return CONNECT_E_CANNOTCONNECT;
    std::lock_guard lock(m_mutex);
    *cookie = m_nextCookie++;
    m_sinks[*cookie] = static_cast<IDispatch*>(events);
    return S_OK;
}

HRESULT EventConnectionPoint::Unadvise(DWORD cookie) {
    IDispatch* sink = nullptr;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_sinks.find(cookie);
        if (it == m_sinks.end()) return CONNECT_E_NOCONNECTION;
        sink = it->second;
        m_sinks.erase(it);
    }
    sink->Release();
    return S_OK;
}

HRESULT EventConnectionPoint::FindConnectionPoint(const IID& riid, ConnectionPointPtr* point) {
    if (!point) return E_POINTER;
    if (riid != m_iid) {
        point->reset();
        return CONNECT_E_NOCONNECTION;
    }
    *point = shared_from_this();
    return S_OK;
}

size_t EventConnectionPoint::ConnectionCount() const {
    std::lock_guard lock(m_mutex);
    return m_sinks.size();
}

void EventConnectionPoint::Fire(DISPID id, std::vector<Variant> args) {
    MessageThread* apartment = AutomationApartment();
    if (!apartment || apartment->IsCurrent()) {
        Deliver(id, args);
        return;
    }
    // The sinks belong to the apartment's thread; a connection point that is
    // gone by the time the task runs delivers nothing.
    std::weak_ptr<EventConnectionPoint> self = weak_from_this();
    apartment->Dispatch([self, id, args = std::move(args)] {
        if (auto point = self.lock()) point->Deliver(id, args);
    });
}

void EventConnectionPoint::Deliver(DISPID id, const std::vector<Variant>& args) {
    std::vector<IDispatch*> sinks;
    {
        std::lock_guard lock(m_mutex);
        for (auto& [cookie, sink] : m_sinks) {
            sink->AddRef();
            sinks.push_back(sink);
        }
    }
    for (IDispatch* sink : sinks) {
        DISPPARAMS params{args};
        sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        sink->Release();
    }
}

}  // namespace kv
