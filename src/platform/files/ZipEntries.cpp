#include "platform/files/ZipEntries.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

namespace kv {

namespace {

constexpr std::uint32_t kEndOfDirectory = 0x06054b50, kDirectoryEntry = 0x02014b50, kLocalHeader = 0x04034b50;
constexpr std::size_t kEndRecordSize = 22, kLongestComment = 0xFFFF;
constexpr std::size_t kDirectoryEntrySize = 46, kLocalHeaderSize = 30;

std::uint32_t Little(const char* at, int bytes) {
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(at[i]);
    return value;
}

std::optional<std::string> ReadAt(std::ifstream& in, std::uint64_t offset, std::size_t size) {
    std::string bytes(size, '\0');
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    if (!in.read(bytes.data(), static_cast<std::streamsize>(size))) return std::nullopt;
    return bytes;
}

// A raw deflate stream (as zip stores it) inflated into at most `size`
// bytes; `whole`: the stream must end there exactly, else its start is enough.
std::optional<std::string> Inflate(const std::string& packed, std::size_t size, bool whole) {
    std::string out(size, '\0');
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return std::nullopt;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = static_cast<uInt>(packed.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, whole ? Z_FINISH : Z_SYNC_FLUSH);
    const std::size_t made = stream.total_out;
    inflateEnd(&stream);
    const bool good = whole ? result == Z_STREAM_END && made == size
                            : result == Z_OK || result == Z_STREAM_END || result == Z_BUF_ERROR;
    if (!good) return std::nullopt;
    out.resize(made);
    return out;
}

// The central directory at the archive's end, entry by entry; nothing when
// the file is no zip this reading knows.
std::optional<std::vector<ZipEntryInfo>> ReadDirectory(std::ifstream& in, std::uint64_t fileSize) {
    const std::size_t tail = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndRecordSize + kLongestComment));
    const auto end = ReadAt(in, fileSize - tail, tail);
    if (!end || tail < kEndRecordSize) return std::nullopt;
    std::size_t record = std::string::npos;
    for (std::size_t at = tail - kEndRecordSize + 1; at-- > 0;)
        if (Little(end->data() + at, 4) == kEndOfDirectory) {
            record = at;
            break;
        }
    if (record == std::string::npos) return std::nullopt;
    const std::uint32_t directorySize = Little(end->data() + record + 12, 4);
    const std::uint32_t directoryOffset = Little(end->data() + record + 16, 4);
    if (std::uint64_t(directoryOffset) + directorySize > fileSize) return std::nullopt;
    const auto directory = ReadAt(in, directoryOffset, directorySize);
    if (!directory) return std::nullopt;
    std::vector<ZipEntryInfo> entries;
    for (std::size_t at = 0; at + kDirectoryEntrySize <= directory->size();) {
        const char* e = directory->data() + at;
        if (Little(e, 4) != kDirectoryEntry) return std::nullopt;
        const std::size_t nameLength = Little(e + 28, 2), extra = Little(e + 30, 2), comment = Little(e + 32, 2);
        if (at + kDirectoryEntrySize + nameLength > directory->size()) return std::nullopt;
        entries.push_back({std::string(e + kDirectoryEntrySize, nameLength), Little(e + 8, 2), Little(e + 10, 2),
                           Little(e + 20, 4), Little(e + 24, 4), Little(e + 42, 4)});
        at += kDirectoryEntrySize + nameLength + extra + comment;
    }
    return entries;
}

std::optional<ZipEntryInfo> FindEntry(std::ifstream& in, std::uint64_t fileSize, std::string_view name) {
    const auto entries = ReadDirectory(in, fileSize);
    if (!entries) return std::nullopt;
    for (const ZipEntryInfo& entry : *entries)
        if (entry.name == name) return entry;
    return std::nullopt;
}

// Where the entry's data starts and how long it is packed; nothing when it
// is encrypted, kept in zip64 records, or out of the file.
std::optional<std::uint64_t> DataOffset(std::ifstream& in, std::uint64_t fileSize, const ZipEntryInfo& entry) {
    // Encrypted entries, and sizes kept in zip64 records, are not ours to read.
    if ((entry.flags & 1) || entry.packedSize == 0xFFFFFFFF) return std::nullopt;
    const auto header = ReadAt(in, entry.localHeader, kLocalHeaderSize);
    if (!header || Little(header->data(), 4) != kLocalHeader) return std::nullopt;
    const std::uint64_t data = std::uint64_t(entry.localHeader) + kLocalHeaderSize + Little(header->data() + 26, 2) +
                               Little(header->data() + 28, 2);
    if (data + entry.packedSize > fileSize) return std::nullopt;
    return data;
}

}  // namespace

std::optional<std::string> ReadZipEntry(const std::filesystem::path& zip, std::string_view name, std::size_t limit) {
    std::error_code error;
    const std::uint64_t fileSize = std::filesystem::file_size(zip, error);
    std::ifstream in(zip, std::ios::binary);
    if (error || !in) return std::nullopt;
    const auto entry = FindEntry(in, fileSize, name);
    if (!entry || entry->size > limit) return std::nullopt;
    const auto data = DataOffset(in, fileSize, *entry);
    auto packed = data ? ReadAt(in, *data, entry->packedSize) : std::nullopt;
    if (!packed) return std::nullopt;
    if (entry->method == 0) return entry->packedSize == entry->size ? packed : std::nullopt;
    if (entry->method == 8) return Inflate(*packed, entry->size, true);
    return std::nullopt;
}

std::optional<std::vector<ZipEntryInfo>> ListZipEntries(const std::filesystem::path& zip) {
    std::error_code error;
    const std::uint64_t fileSize = std::filesystem::file_size(zip, error);
    std::ifstream in(zip, std::ios::binary);
    if (error || !in) return std::nullopt;
    return ReadDirectory(in, fileSize);
}

std::optional<std::string> ReadZipEntryHead(const std::filesystem::path& zip, const ZipEntryInfo& entry,
                                            std::size_t bytes) {
    std::error_code error;
    const std::uint64_t fileSize = std::filesystem::file_size(zip, error);
    std::ifstream in(zip, std::ios::binary);
    const auto data = error || !in ? std::nullopt : DataOffset(in, fileSize, entry);
    if (!data) return std::nullopt;
    const std::size_t wanted = std::min<std::size_t>(bytes, entry.size);
    if (entry.method == 0) return ReadAt(in, *data, std::min<std::size_t>(wanted, entry.packedSize));
    if (entry.method != 8) return std::nullopt;
    // A deflated stream gives its start from its start: a little more packed
    // data than the bytes wanted is enough, but for pathological streams.
    const std::size_t packed = static_cast<std::size_t>(std::min<std::uint64_t>(entry.packedSize, wanted + 65536));
    const auto input = ReadAt(in, *data, packed);
    return input ? Inflate(*input, wanted, false) : std::nullopt;
}

}  // namespace kv
