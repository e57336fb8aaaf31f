#pragma once
// Moving a file to another name, also across file systems.
#include <filesystem>
#include <system_error>

namespace kv {

// Renames `from` to `to`; `to` must not exist yet. Across file systems the
// file is copied, flushed to the disk and only then removed; when anything
// fails the partial copy is removed and `from` is left as it was.
bool MoveFileTo(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& error);

}  // namespace kv
