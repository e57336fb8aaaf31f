#include "app/core/Startup.h"

#include "app/core/AppMessages.h"
#include "platform/core/InstanceLock.h"
#include "platform/core/InstanceProbe.h"

namespace kv {

FirstInstance::FirstInstance(std::unique_ptr<InstanceLock> lock, std::unique_ptr<InstanceProbeServer> server)
    : m_lock(std::move(lock)), m_server(std::move(server)) {}

FirstInstance::~FirstInstance() = default;

bool FirstInstance::Answering() const { return m_server && m_server->Listening(); }

LRESULT AnswerInstanceProbe(UINT message) {
    // Another local program could send anything; only the one question is answered.
    if (message != UWM_ONE_INSTANCE) return 0;
    for (HWND window : EnumTopLevelWindows()) {
        LRESULT result = 0;
        if (!SendMessageTimeout(window, message, 0, 0, kInstanceProbeTimeoutMs, &result)) continue;
        if (result != static_cast<LRESULT>(message)) continue;
        SetForegroundWindow(window);
        if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
        return result;
    }
    return 0;
}

std::unique_ptr<FirstInstance> StartSingleInstance(std::string_view mutexName) {
    auto lock = std::make_unique<InstanceLock>(mutexName);
    if (lock->HeldElsewhere()) {
        // The first copy brings its container forward when it answers; this
        // copy ends either way, so the answer itself is not needed.
        ProbeInstance(mutexName, UWM_ONE_INSTANCE, kInstanceProbeTimeoutMs);
        return nullptr;
    }
    auto server = std::make_unique<InstanceProbeServer>(mutexName, AnswerInstanceProbe);
    return std::make_unique<FirstInstance>(std::move(lock), std::move(server));
}

}  // namespace kv
