#pragma once
// Reads one file out of a zip archive (the container of .pptx, .ppsx and
// .odp presentations) without unpacking the rest.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kv {

// The entry's bytes; nothing when the file is no readable zip, has no such
// entry, or the entry is encrypted, damaged or larger than `limit`.
std::optional<std::string> ReadZipEntry(const std::filesystem::path& zip, std::string_view name,
                                        std::size_t limit = std::size_t(64) << 20);

}  // namespace kv
