#pragma once
// The office backend's automation objects: each answers the member numbers of
// the presentation program's object of the same name with UNO calls.
#include "platform/automation/Dispatch.h"
#include "platform/automation/uno/UnoSession.h"

namespace kv::uno {

DispatchPtr MakeApplication(std::shared_ptr<UnoSession> session);
DispatchPtr MakePresentation(std::shared_ptr<UnoSession> session, DocumentPtr document);
DispatchPtr MakeShowWindow(std::shared_ptr<UnoSession> session, DocumentPtr document);

}  // namespace kv::uno
