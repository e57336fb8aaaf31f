#include "platform/automation/uno/UnoAutomation.h"

#include <cstdlib>
#include <future>
#include <mutex>
#include <optional>
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

// The office a parent run shares, one field a line: group, pipe, profile,
// room folder (may be empty), temporary folder, 1 when it follows links.
std::string SharedOfficeText(const uno::SharedOfficeInfo& shared) {
    return std::to_string(shared.group) + "\n" + shared.pipe + "\n" + shared.profile.string() + "\n" +
           shared.roomFolder.string() + "\n" + shared.tempFolder.string() + "\n" + (shared.linksAllowed ? "1" : "0");
}

std::optional<uno::SharedOfficeInfo> ParseSharedOffice(const std::string& text) {
    std::istringstream lines(text);
    std::string group, profile, room, temp, links;
    uno::SharedOfficeInfo shared;
    if (!std::getline(lines, group) || !std::getline(lines, shared.pipe) || !std::getline(lines, profile) ||
        !std::getline(lines, room) || !std::getline(lines, temp) || !std::getline(lines, links))
        return std::nullopt;
    shared.group = static_cast<pid_t>(std::atoi(group.c_str()));
    shared.profile = profile;
    shared.roomFolder = room;
    shared.tempFolder = temp;
    shared.linksAllowed = links == "1";
    if (shared.group <= 0) return std::nullopt;
    return shared;
}

// The office a parent run shares, else one of our own. A shared office that
// follows links is not used by a run that may not.
std::shared_ptr<uno::OfficeConnection> NewOffice(std::string* error) {
    if (const char* text = std::getenv(kSharedOfficeVariable)) {
        const auto shared = ParseSharedOffice(text);
        if (shared && shared->linksAllowed == uno::LinkedContentAllowed()) {
            std::string why;
            if (auto office = uno::OfficeConnection::Attach(*shared, &why)) return office;
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
            // Started before the user chose whether links are followed: used only when that fits.
            if (preloaded && preloaded->Alive() && preloaded->LinksAllowed() == LinkedContentAllowed()) return preloaded;
            if (preloaded) preloaded->Quit();
        }
    }
    return NewOffice(error);
}

}  // namespace uno

void AllowLinkedContent(bool allowed) { uno::AllowLinkedContent(allowed); }

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
    ::setenv(kSharedOfficeVariable, SharedOfficeText(m_office->Shared()).c_str(), 1);
    return true;
}

void SharedOffice::End() {
    ::unsetenv(kSharedOfficeVariable);
    if (m_office) m_office->Quit();
    m_office.reset();
}

bool SharedOffice::Running() const { return m_office && m_office->Alive(); }

}  // namespace kv
