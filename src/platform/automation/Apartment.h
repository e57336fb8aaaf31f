#pragma once
// The thread that automation objects belong to. Events from the office
// arrive on other threads; they are handed to this thread's loop, so a sink
// is always called on the thread that connected it.
#include "platform/automation/AutomationTypes.h"
#include "platform/core/Messages.h"

namespace kv {

// Makes `thread` (the calling thread's loop) the apartment. Nested calls are counted.
HRESULT OleInitialize(MessageThread* thread);
void OleUninitialize();
// The apartment's loop; null when none is initialised (events are then delivered directly).
MessageThread* AutomationApartment();

}  // namespace kv
