#include "platform/automation/uno/MetafileActions.h"

#include <cstring>

namespace kv::uno {

namespace {

// Action types of the format.
constexpr std::uint16_t kWallpaper = 127;
constexpr std::uint16_t kMoveClipRegion = 131;
constexpr std::uint16_t kRasterOp = 141;
constexpr std::uint16_t kRefPoint = 144;
constexpr std::uint16_t kOverPaint = 0;

// Little-endian reads that never go past the end.
class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& bytes) : m_bytes(bytes) {}
    bool Has(size_t count) const { return m_at <= m_bytes.size() && count <= m_bytes.size() - m_at; }
    bool Skip(size_t count) {
        if (!Has(count)) return false;
        m_at += count;
        return true;
    }
    bool Read16(std::uint16_t& value) { return ReadLittle(value, 2); }
    bool Read32(std::uint32_t& value) { return ReadLittle(value, 4); }
    size_t At() const { return m_at; }
    bool MatchAndSkip(const char* text) {
        const size_t length = std::strlen(text);
        if (!Has(length) || std::memcmp(&m_bytes[m_at], text, length) != 0) return false;
        m_at += length;
        return true;
    }

private:
    template <typename Value>
    bool ReadLittle(Value& value, size_t size) {
        if (!Has(size)) return false;
        value = 0;
        for (size_t i = 0; i < size; ++i) value |= Value(m_bytes[m_at + i]) << (8 * i);
        m_at += size;
        return true;
    }

    const std::vector<std::uint8_t>& m_bytes;
    size_t m_at = 0;
};

}  // namespace

bool ShowDrawsAsBitmap(const std::vector<std::uint8_t>& svm) {
    Reader in(svm);
    // "VCLMTF", then the header as a versioned block: compression, map mode (itself a block), size, action count.
    std::uint16_t version = 0, type = 0;
    std::uint32_t headerLength = 0, mapLength = 0, compression = 0, count = 0;
    if (!in.MatchAndSkip("VCLMTF") || !in.Read16(version) || !in.Read32(headerLength)) return true;
    const size_t header = in.At();
    if (!in.Read32(compression) || !in.Skip(2) || !in.Read32(mapLength) || !in.Skip(mapLength) || !in.Skip(8) ||
        !in.Read32(count))
        return true;
    Reader actions(svm);
    if (!actions.Skip(header) || !actions.Skip(headerLength)) return true;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t length = 0;
        if (!actions.Read16(type) || !actions.Skip(2) || !actions.Read32(length)) return true;
        if (type == kWallpaper || type == kMoveClipRegion || type == kRefPoint) return true;
        if (type == kRasterOp) {
            Reader op = actions;
            std::uint16_t raster = kOverPaint;
            if (!op.Read16(raster) || raster != kOverPaint) return true;
        }
        if (!actions.Skip(length)) return true;
    }
    return false;
}

}  // namespace kv::uno
