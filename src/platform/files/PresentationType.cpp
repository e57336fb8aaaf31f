#include "platform/files/PresentationType.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/core/PrintableText.h"
#include "platform/files/ZipEntries.h"

namespace kv {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kZip = "PK\x03\x04";
constexpr std::string_view kCompoundFile = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr std::string_view kOdfPresentation = "application/vnd.oasis.opendocument.presentation";

std::string Head(const fs::path& file, std::size_t size) {
    std::ifstream in(file, std::ios::binary);
    std::string head(size, '\0');
    in.read(head.data(), static_cast<std::streamsize>(size));
    head.resize(static_cast<std::size_t>(in.gcount()));
    return head;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

PresentationType Is(PresentationKind kind) { return {kind, {}}; }

PresentationType Not(const fs::path& file, const std::string& what) {
    return {PresentationKind::None, "The file is not a presentation: " + PrintableText(file.string()) + " (it is " + what + ")"};
}

// An OOXML package names its main part's kind in [Content_Types].xml.
std::optional<PresentationType> OoxmlType(const fs::path& file) {
    const auto types = ReadZipEntry(file, "[Content_Types].xml");
    if (!types) return std::nullopt;
    for (const char* kind : {"presentationml.presentation.main+xml", "presentationml.slideshow.main+xml",
                             "presentationml.template.main+xml", "ms-powerpoint.presentation.macroenabled.main+xml",
                             "ms-powerpoint.slideshow.macroenabled.main+xml", "ms-powerpoint.template.macroenabled.main+xml"})
        if (Lower(*types).find(kind) != std::string::npos) return Is(PresentationKind::Ooxml);
    if (types->find("wordprocessingml") != std::string::npos) return Not(file, "a word processor's document");
    if (types->find("spreadsheetml") != std::string::npos) return Not(file, "a spreadsheet");
    return Not(file, "an Office package of another kind");
}

// An ODF package names its kind in its first entry, "mimetype", and in its manifest.
std::optional<PresentationType> OdfType(const fs::path& file) {
    auto kind = ReadZipEntry(file, "mimetype", 256);
    if (!kind) {
        const auto manifest = ReadZipEntry(file, "META-INF/manifest.xml");
        if (!manifest) return std::nullopt;
        kind = manifest->find(kOdfPresentation) != std::string::npos ? std::string(kOdfPresentation) : "";
    }
    while (!kind->empty() && std::isspace(static_cast<unsigned char>(kind->back()))) kind->pop_back();
    if (*kind == kOdfPresentation || *kind == std::string(kOdfPresentation) + "-template") return Is(PresentationKind::Odf);
    return Not(file, "an OpenDocument file of another kind");
}

PresentationType ZipType(const fs::path& file) {
    if (!ListZipEntries(file)) return {PresentationKind::None, "The presentation is damaged; it cannot be read: " +
                                                                   PrintableText(file.string())};
    if (auto type = OoxmlType(file)) return *type;
    if (auto type = OdfType(file)) return *type;
    return Not(file, "a zip archive without a presentation");
}

// --- The compound file of PowerPoint 97 to 2003 (and of encrypted OOXML packages). ---

std::uint32_t Little32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return value;
}

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;

class CompoundFile {
public:
    explicit CompoundFile(const fs::path& file) : m_in(file, std::ios::binary) {
        std::error_code error;
        m_size = fs::file_size(file, error);
        m_header = ReadAt(0, 512);
        if (m_header.size() < 512 || error) return;
        const int shift = static_cast<unsigned char>(m_header[0x1E]) | static_cast<unsigned char>(m_header[0x1F]) << 8;
        if (shift != 9 && shift != 12) return;
        m_sectorSize = std::size_t(1) << shift;
        m_sectors = m_size / m_sectorSize;
        m_good = ReadFat();
    }

    // The names of the streams in its directory.
    std::vector<std::string> StreamNames() {
        std::vector<std::string> names;
        if (!m_good) return names;
        std::uint32_t sector = Little32(m_header, 0x30);
        for (std::uint64_t walked = 0; sector < m_fat.size() && walked < m_sectors; ++walked, sector = m_fat[sector]) {
            const std::string entries = Sector(sector);
            for (std::size_t at = 0; at + 128 <= entries.size(); at += 128) {
                const std::size_t length = static_cast<unsigned char>(entries[at + 0x40]) |
                                           static_cast<unsigned char>(entries[at + 0x41]) << 8;
                if (entries[at + 0x42] != 2 || length < 2 || length > 64) continue;
                std::string name;
                for (std::size_t i = 0; i + 2 < length; i += 2) name += entries[at + i];
                names.push_back(name);
            }
        }
        return names;
    }

private:
    std::string ReadAt(std::uint64_t offset, std::size_t size) {
        std::string bytes(size, '\0');
        m_in.clear();
        m_in.seekg(static_cast<std::streamoff>(offset));
        if (!m_in.read(bytes.data(), static_cast<std::streamsize>(size))) return {};
        return bytes;
    }
    std::string Sector(std::uint32_t number) { return ReadAt((std::uint64_t(number) + 1) * m_sectorSize, m_sectorSize); }

    // The allocation table, from the sectors the header and its extension list.
    bool ReadFat() {
        std::vector<std::uint32_t> fatSectors;
        for (std::size_t i = 0; i < 109; ++i) fatSectors.push_back(Little32(m_header, 0x4C + 4 * i));
        std::uint32_t more = Little32(m_header, 0x44);
        for (std::uint64_t walked = 0; more < m_sectors && walked < m_sectors; ++walked) {
            const std::string list = Sector(more);
            if (list.empty()) return false;
            for (std::size_t at = 0; at + 4 < list.size(); at += 4) fatSectors.push_back(Little32(list, at));
            more = Little32(list, list.size() - 4);
        }
        const std::uint32_t count = Little32(m_header, 0x2C);
        if (count == 0 || count > fatSectors.size() || count > m_sectors) return false;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::string table = Sector(fatSectors[i]);
            if (table.empty()) return false;
            for (std::size_t at = 0; at < table.size(); at += 4) m_fat.push_back(Little32(table, at));
        }
        return true;
    }

    std::ifstream m_in;
    std::uint64_t m_size = 0, m_sectors = 0;
    std::size_t m_sectorSize = 0;
    std::string m_header;
    std::vector<std::uint32_t> m_fat;
    bool m_good = false;
};

PresentationType CompoundType(const fs::path& file) {
    const std::vector<std::string> names = CompoundFile(file).StreamNames();
    const auto has = [&](const char* name) { return std::find(names.begin(), names.end(), name) != names.end(); };
    if (has("PowerPoint Document")) return Is(PresentationKind::PowerPoint97);
    if (has("EncryptedPackage")) return {PresentationKind::None, "The presentation is protected by a password: " +
                                                                     PrintableText(file.string())};
    if (names.empty()) return {PresentationKind::None, "The presentation is damaged; it cannot be read: " +
                                                           PrintableText(file.string())};
    if (has("WordDocument")) return Not(file, "a word processor's document");
    if (has("Workbook") || has("Book")) return Not(file, "a spreadsheet");
    return Not(file, "an old Office file of another kind");
}

// --- Text: a flat ODF presentation, or something else. ---

PresentationType TextType(const fs::path& file, const std::string& head) {
    const std::string lower = Lower(head);
    if (lower.find("<office:document") != std::string::npos &&
        lower.find(std::string("office:mimetype=\"") + std::string(kOdfPresentation) + "\"") != std::string::npos)
        return Is(PresentationKind::Odf);
    if (lower.find("<!doctype html") != std::string::npos || lower.find("<html") != std::string::npos)
        return Not(file, "a web page");
    if (lower.rfind("%pdf", 0) == 0) return Not(file, "a PDF document");
    if (lower.rfind("{\\rtf", 0) == 0) return Not(file, "a rich text document");
    const std::size_t start = lower.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
    if (start != std::string::npos && lower[start] == '<') return Not(file, "an XML file of another kind");
    const bool text = std::all_of(head.begin(), head.end(), [](unsigned char c) {
        return c >= 0x20 || c == '\n' || c == '\r' || c == '\t';
    });
    return Not(file, text ? "a text file" : "a file of another kind");
}

}  // namespace

PresentationType PresentationTypeOf(const fs::path& file) {
    const std::string head = Head(file, 4096);
    if (head.rfind(kZip, 0) == 0) return ZipType(file);
    if (head.rfind(kCompoundFile, 0) == 0) return CompoundType(file);
    return TextType(file, head);
}

}  // namespace kv
