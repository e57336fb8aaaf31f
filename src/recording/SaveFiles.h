#pragma once
// File steps of saving a recording, each reporting failure with errno set.
#include <string>

namespace kv {

// Creates (truncating) and closes `path`, then removes it: can a file be
// written there?
bool ProbeWritable(const std::string& path);

// Moves a file, across file systems too. Without `replace` an existing
// destination makes it fail (EEXIST).
bool MoveFileTo(const std::string& from, const std::string& to, bool replace);

// `path` with `number` before its extension: talk.avi, 2 -> talk2.avi.
std::string NumberedName(const std::string& path, int number);

}  // namespace kv
