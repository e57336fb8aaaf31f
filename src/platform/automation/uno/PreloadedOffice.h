#pragma once
// Where the backend's offices come from: the one PreloadOffice started, the
// one a parent run shares, or a new one of our own.
#include <memory>
#include <string>

#include "platform/automation/uno/OfficeConnection.h"

namespace kv::uno {

// Null with *error set when no office could be had.
std::shared_ptr<OfficeConnection> TakePreloadedOrStartOffice(std::string* error);

}  // namespace kv::uno
