#pragma once
// In-process named manual-reset events ("PPT_DLG_POSITIONED"): every open of
// the same name while one handle lives shares one event.
#include <memory>
#include <string>

namespace kv {

class NamedEvent {
public:
    // Opens the event of that name, creating it non-signalled when none exists.
    static std::shared_ptr<NamedEvent> Open(const std::string& name);

    void Set();
    void Reset();
    bool IsSet() const;
    // True when set within the time; false on time-out.
    bool Wait(int timeoutMs) const;

    struct State;
    explicit NamedEvent(std::shared_ptr<State> state);

private:
    std::shared_ptr<State> m_state;
};

using EventHandle = std::shared_ptr<NamedEvent>;

}  // namespace kv
