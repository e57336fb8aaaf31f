#include "platform/automation/uno/UnoAutomation.h"

#include <future>
#include <mutex>

#include "platform/automation/AutomationServers.h"
#include "platform/automation/uno/UnoObjects.h"
#include "platform/core/Trace.h"

namespace kv {

namespace {

std::mutex g_preloadMutex;
std::shared_future<std::shared_ptr<uno::OfficeConnection>> g_preloaded;

std::shared_ptr<uno::OfficeConnection> StartOffice(std::string* error) {
    {
        std::lock_guard lock(g_preloadMutex);
        if (g_preloaded.valid()) {
            auto preloaded = g_preloaded.get();
            g_preloaded = {};
            if (preloaded && preloaded->Alive()) return preloaded;
        }
    }
    return uno::OfficeConnection::Start(error);
}

HRESULT CreateOfficeApplication(DispatchPtr* object) {
    std::string error;
    auto office = StartOffice(&error);
    if (!office) {
        Trace("Office could not be started: " + error + "\n");
        throw AutomationException(CO_E_SERVER_EXEC_FAILURE, "The office could not be started: " + error);
    }
    *object = uno::MakeApplication(uno::UnoSession::Create(std::move(office)));
    return S_OK;
}

}  // namespace

void RegisterUnoAutomation() { RegisterAutomationServer("Powerpoint.Application", CreateOfficeApplication); }

void EndPreloadedOffice() {
    std::shared_future<std::shared_ptr<uno::OfficeConnection>> preloaded;
    {
        std::lock_guard lock(g_preloadMutex);
        preloaded = std::move(g_preloaded);
        g_preloaded = {};
    }
    if (!preloaded.valid()) return;
    if (auto office = preloaded.get()) Trace("Office started in advance was not used; ending it\n");
}

void PreloadOffice() {
    std::lock_guard lock(g_preloadMutex);
    if (g_preloaded.valid()) return;
    g_preloaded = std::async(std::launch::async, [] {
                      std::string error;
                      return uno::OfficeConnection::Start(&error);
                  }).share();
}

}  // namespace kv
