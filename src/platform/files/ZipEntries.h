#pragma once
// Reads one file out of a zip archive (the container of .pptx, .ppsx and
// .odp presentations) without unpacking the rest.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// The entry's bytes; nothing when the file is no readable zip, has no such
// entry, or the entry is encrypted, damaged or larger than `limit`.
std::optional<std::string> ReadZipEntry(const std::filesystem::path& zip, std::string_view name,
                                        std::size_t limit = std::size_t(64) << 20);

// One entry of an archive's directory, as the archive states it.
struct ZipEntryInfo {
    std::string name;
    std::uint32_t flags = 0, method = 0, packedSize = 0, size = 0, localHeader = 0;
};

// Every entry of the archive's directory; nothing when the file is no readable zip.
std::optional<std::vector<ZipEntryInfo>> ListZipEntries(const std::filesystem::path& zip);

// The first `bytes` bytes of an entry (fewer when it is shorter), without
// unpacking the rest; nothing when they cannot be read.
std::optional<std::string> ReadZipEntryHead(const std::filesystem::path& zip, const ZipEntryInfo& entry,
                                            std::size_t bytes);

}  // namespace kv
