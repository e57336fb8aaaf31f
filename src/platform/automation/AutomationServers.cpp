#include "platform/automation/AutomationServers.h"

#include <map>
#include <mutex>

namespace kv {

namespace {
struct Registration {
    ServerFactory factory;
    std::string curVer;
};
std::mutex g_mutex;
std::map<std::string, Registration>& Servers() {
    static std::map<std::string, Registration> servers;
    return servers;
}
}  // namespace

void RegisterAutomationServer(const std::string& progId, ServerFactory factory, const std::string& curVer) {
    std::lock_guard lock(g_mutex);
    Servers()[progId] = {factory, curVer};
    if (!curVer.empty() && curVer != progId) Servers()[curVer] = {std::move(factory), {}};
}

void UnregisterAutomationServer(const std::string& progId) {
    std::lock_guard lock(g_mutex);
    auto it = Servers().find(progId);
    if (it == Servers().end()) return;
    if (!it->second.curVer.empty()) Servers().erase(it->second.curVer);
    Servers().erase(it);
}

HRESULT CreateDispatch(const std::string& progId, DispatchPtr* object) {
    if (!object) return E_POINTER;
    object->reset();
    ServerFactory factory;
    {
        std::lock_guard lock(g_mutex);
        auto it = Servers().find(progId);
        if (it == Servers().end()) return CO_E_CLASSSTRING;
        factory = it->second.factory;
    }
    try {
        HRESULT hr = factory(object);
        if (SUCCEEDED(hr) && !*object) hr = E_NOINTERFACE;
        if (FAILED(hr)) object->reset();
        return hr;
    } catch (const AutomationException& e) {
        return e.Result();
    } catch (...) {
        return CO_E_SERVER_EXEC_FAILURE;
    }
}

long QueryCurVer(const std::string& progId, std::string* curVer, bool* registered) {
    std::lock_guard lock(g_mutex);
    auto it = Servers().find(progId);
    if (registered) *registered = it != Servers().end();
    if (it == Servers().end() || it->second.curVer.empty()) return ERROR_FILE_NOT_FOUND;
    if (curVer) *curVer = it->second.curVer;
    return ERROR_SUCCESS;
}

}  // namespace kv
