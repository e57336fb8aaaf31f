#pragma once
// The office's lock files (".~lock.<name>#" beside a document): our offices
// make none, and one left by an office of ours that is no longer running is
// removed. A lock file of anyone else's office is never touched.
#include <filesystem>

#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

// The folder of our office profiles (one per office running at a time).
std::filesystem::path OfficeProfileFolder();

// The lock file the office would make for this document.
std::filesystem::path LockFileOf(const std::filesystem::path& document);

// Removes the document's lock file when it names one of our profiles that
// no running office holds, or `ownProfile` (the profile of the office we
// are using, which makes no lock files); true when one was removed.
bool RemoveLockOfOurs(const std::filesystem::path& document, const std::filesystem::path& ownProfile);

}  // namespace kv::uno
