#pragma once
// A connection point that backends use to fire their events: it holds the
// connected sinks and calls each one's Invoke on the apartment's thread.
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/automation/Dispatch.h"

namespace kv {

class EventConnectionPoint : public IConnectionPoint,
                             public IConnectionPointContainer,
                             public std::enable_shared_from_this<EventConnectionPoint> {
public:
    explicit EventConnectionPoint(const IID& eventInterface);
    ~EventConnectionPoint() override;

    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;
    HRESULT FindConnectionPoint(const IID& riid, ConnectionPointPtr* point) override;

    // Calls every connected sink with the event. From the apartment's thread
    // (or with no apartment) the sinks are called at once; from any other
    // thread the call is queued to the apartment's loop.
    void Fire(DISPID id, std::vector<Variant> args);
    size_t ConnectionCount() const;

private:
    void Deliver(DISPID id, const std::vector<Variant>& args);

    IID m_iid;
    mutable std::mutex m_mutex;
    std::map<DWORD, IDispatch*> m_sinks;
    DWORD m_nextCookie = 1;
};

}  // namespace kv
