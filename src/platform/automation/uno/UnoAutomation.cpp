#include "platform/automation/uno/UnoAutomation.h"

#include <cstdlib>
#include <future>
#include <mutex>
#include <sstream>

#include "platform/automation/AutomationServers.h"
#include "platform/automation/uno/PreloadedOffice.h"
#include "platform/automation/uno/UnoObjects.h"
#include "platform/core/Trace.h"

namespace kv {

namespace {

constexpr const char* kSharedOfficeVariable = "KALVISTA_SHARED_OFFICE";

std::mutex g_preloadMutex;
std::shared_future<std::shared_ptr<uno::OfficeConnection>> g_preloaded;

// The office a parent run shares ("<group> <pipe> <profile>"), else one of our own.
std::shared_ptr<uno::OfficeConnection> NewOffice(std::string* error) {
    if (const char* shared = std::getenv(kSharedOfficeVariable)) {
        std::istringstream fields(shared);
        pid_t group = 0;
        std::string pipe, profile;
        if (fields >> group >> pipe && std::getline(fields >> std::ws, profile) && group > 0) {
            std::string why;
            if (auto office = uno::OfficeConnection::Attach(pipe, group, profile, &why)) return office;
            Trace("The shared office could not be reached (" + why + "); starting one of our own\n");
        }
    }
    return uno::OfficeConnection::Start(error);
}

HRESULT CreateOfficeApplication(DispatchPtr* object) {
    std::string error;
    auto office = uno::TakePreloadedOrStartOffice(&error);
    if (!office) {
        Trace("Office could not be started: " + error + "\n");
        throw AutomationException(CO_E_SERVER_EXEC_FAILURE, "The office could not be started: " + error);
    }
    *object = uno::MakeApplication(uno::UnoSession::Create(std::move(office)));
    return S_OK;
}

}  // namespace

namespace uno {

std::shared_ptr<OfficeConnection> TakePreloadedOrStartOffice(std::string* error) {
    {
        std::lock_guard lock(g_preloadMutex);
        if (g_preloaded.valid()) {
            auto preloaded = g_preloaded.get();
            g_preloaded = {};
            if (preloaded && preloaded->Alive()) return preloaded;
        }
    }
    return NewOffice(error);
}

}  // namespace uno

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
                      return NewOffice(&error);
                  }).share();
}

SharedOffice::SharedOffice() = default;

SharedOffice::~SharedOffice() { End(); }

bool SharedOffice::Start(std::string* why) {
    End();
    std::string error;
    m_office = uno::OfficeConnection::Start(&error);
    if (!m_office) {
        *why = "the shared office could not be started: " + error;
        return false;
    }
    const std::string value = std::to_string(m_office->ProcessGroup()) + " " + m_office->Pipe() + " " +
                              m_office->Profile().string();
    ::setenv(kSharedOfficeVariable, value.c_str(), 1);
    return true;
}

void SharedOffice::End() {
    ::unsetenv(kSharedOfficeVariable);
    if (m_office) m_office->Quit();
    m_office.reset();
}

bool SharedOffice::Running() const { return m_office && m_office->Alive(); }

}  // namespace kv
