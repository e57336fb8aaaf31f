#pragma once
// Automation servers by ProgID: a backend registers a factory under its
// ProgID (optionally with a versioned ProgID as its current version), and
// callers create objects without knowing which backend answers.
#include <functional>
#include <string>

#include "platform/automation/Dispatch.h"

namespace kv {

constexpr long ERROR_SUCCESS = 0;
constexpr long ERROR_FILE_NOT_FOUND = 2;

using ServerFactory = std::function<HRESULT(DispatchPtr* object)>;

// Registers (or replaces) the server of `progId`. A non-empty `curVer`
// becomes the ProgID's current version, itself registered with the same factory.
void RegisterAutomationServer(const std::string& progId, ServerFactory factory, const std::string& curVer = {});
void UnregisterAutomationServer(const std::string& progId);

// Starts or connects to the server of `progId`; CO_E_CLASSSTRING when none is registered.
HRESULT CreateDispatch(const std::string& progId, DispatchPtr* object);

// The current version registered for `progId`: ERROR_SUCCESS with `curVer`
// set, or ERROR_FILE_NOT_FOUND when there is none. `registered` tells whether
// the ProgID itself is known, with or without a current version.
long QueryCurVer(const std::string& progId, std::string* curVer, bool* registered = nullptr);

}  // namespace kv
