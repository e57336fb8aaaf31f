#pragma once
// The probe a second start of the program sends to the first: a local
// (AF_UNIX) socket in the runtime folder named from the mutex name. The
// prober sends a message number; the first instance answers with a number of
// its choosing. Both sides keep to a time limit, so a hung first instance
// never holds up a second start.
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/core/Messages.h"

namespace kv {

class InstanceProbeServer {
public:
    // Runs on the server's own thread, once per probe.
    using Answer = std::function<LRESULT(UINT message)>;

    // Listens at once; the socket file of an earlier holder of the name is
    // replaced (only the lock holder may serve, so it is stale).
    InstanceProbeServer(std::string_view name, Answer answer);
    ~InstanceProbeServer();  // stops listening and removes the socket file
    InstanceProbeServer(const InstanceProbeServer&) = delete;
    InstanceProbeServer& operator=(const InstanceProbeServer&) = delete;

    bool Listening() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// Sends `message` to the server of `name` and waits for its answer; nullopt
// when nobody listens or no answer came within `timeoutMs` (counted from the
// call, connecting included).
std::optional<LRESULT> ProbeInstance(std::string_view name, UINT message, int timeoutMs);

}  // namespace kv
