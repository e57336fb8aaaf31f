#include "app/core/RegFile.h"

#include <cstdio>
#include <strings.h>

#include <unordered_map>

namespace kv::regfile {
namespace {

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// Names compare without regard to ASCII letter case, as in the registry.
std::string Folded(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Names and plain strings: backslash and quote escaped, as regedit writes
// them. Control characters (only names carry them; texts with them take the
// hex form) become \xHH, so every entry stays on one line.
std::string Quote(std::string_view text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20) {
            out += "\\x";
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0xF];
            continue;
        }
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out + '"';
}

// Reads a quoted text at `pos`; advances past the closing quote.
std::optional<std::string> Unquote(std::string_view line, size_t& pos) {
    if (pos >= line.size() || line[pos] != '"') return std::nullopt;
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c == '\\') {
            if (++pos >= line.size()) return std::nullopt;
            c = line[pos];
            if (c == 'x') {
                if (pos + 2 >= line.size()) return std::nullopt;
                const int high = HexDigit(line[pos + 1]), low = HexDigit(line[pos + 2]);
                if (high < 0 || low < 0) return std::nullopt;
                c = static_cast<char>(high * 16 + low);
                pos += 2;
            }
        }
        out += c;
    }
    return std::nullopt;
}

bool NeedsHexForm(std::u16string_view text) {
    for (char16_t c : text)
        if (c < 0x20) return true;
    return false;
}

std::string HexString(std::u16string_view text) {
    std::string out = "hex(1):";
    char byte[4];
    bool first = true;
    size_t column = out.size();
    auto put = [&](unsigned value) {
        if (!first) {
            out += ',';
            ++column;
        }
        if (column > 76) {
            out += "\\\n  ";
            column = 2;
        }
        std::snprintf(byte, sizeof byte, "%02x", value & 0xff);
        out += byte;
        column += 2;
        first = false;
    };
    for (char16_t c : text) {
        put(c & 0xff);
        put(c >> 8);
    }
    put(0);
    put(0);
    return out;
}

// The hex(1) form: UTF-16LE bytes ending in the terminating null; data
// without it was cut short.
std::optional<std::u16string> ParseHexString(std::string_view data) {
    std::vector<unsigned char> bytes;
    size_t pos = 0;
    while (pos < data.size()) {
        while (pos < data.size() && (data[pos] == ',' || data[pos] == ' ')) ++pos;
        if (pos >= data.size()) break;
        if (pos + 2 > data.size()) return std::nullopt;
        const int high = HexDigit(data[pos]), low = HexDigit(data[pos + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<unsigned char>(high * 16 + low));
        pos += 2;
    }
    if (bytes.size() < 2 || bytes.size() % 2) return std::nullopt;
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) text += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
    const auto end = text.find(u'\0');
    if (end == std::u16string::npos) return std::nullopt;
    text.resize(end);
    return text;
}

std::optional<Value> ParseValue(std::string_view line) {
    size_t pos = 0;
    auto name = Unquote(line, pos);
    if (!name || pos >= line.size() || line[pos] != '=') return std::nullopt;
    std::string_view data = line.substr(pos + 1);
    Value value;
    value.name = *name;
    if (!data.empty() && data[0] == '"') {
        size_t textPos = 0;
        auto text = Unquote(data, textPos);
        if (!text || textPos != data.size()) return std::nullopt;
        auto wide = Utf8ToUtf16(*text);
        if (!wide) return std::nullopt;
        value.text = *wide;
        return value;
    }
    if (data.substr(0, 6) == "dword:" && data.size() == 14) {
        unsigned number = 0;
        for (char c : data.substr(6)) {
            const int digit = HexDigit(c);
            if (digit < 0) return std::nullopt;
            number = (number << 4) | static_cast<unsigned>(digit);
        }
        value.type = Value::Type::Number;
        value.number = number;
        return value;
    }
    if (data.substr(0, 7) == "hex(1):") {
        auto text = ParseHexString(data.substr(7));
        if (!text) return std::nullopt;
        value.text = *text;
        return value;
    }
    return std::nullopt;
}

// Joins lines continued with a trailing backslash (hex data).
std::vector<std::string> LogicalLines(std::string_view text) {
    std::vector<std::string> lines;
    std::string current;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string_view line = text.substr(start, end == std::string_view::npos ? text.npos : end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        bool continued = !current.empty();
        if (continued) {
            while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
        }
        bool isHexLine = (continued || line.find("=hex") != std::string_view::npos);
        if (isHexLine && !line.empty() && line.back() == '\\') {
            current.append(line.substr(0, line.size() - 1));
        } else {
            current.append(line);
            lines.push_back(std::move(current));
            current.clear();
        }
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    if (!current.empty()) lines.push_back(current);
    return lines;
}

}  // namespace

Section* Document::FindSection(std::string_view name) {
    for (auto& section : sections)
        if (SameName(section.name, name)) return &section;
    return nullptr;
}

Section& Document::AddSection(std::string_view name) {
    if (auto* found = FindSection(name)) return *found;
    sections.push_back(Section{std::string(name), {}});
    return sections.back();
}

Value* FindValue(Section& section, std::string_view name) {
    for (auto& value : section.values)
        if (SameName(value.name, name)) return &value;
    return nullptr;
}

Document Parse(std::string_view fileText) {
    Document document;
    Section* current = nullptr;
    // Values by folded name per section: a later entry of the same name wins,
    // found without searching the section each time.
    std::unordered_map<std::string, std::unordered_map<std::string, size_t>> positions;
    std::unordered_map<std::string, size_t>* currentPositions = nullptr;
    bool inForeignKey = false;
    bool sawHeader = false;
    for (const auto& line : LogicalLines(fileText)) {
        if (line.empty() || line[0] == ';') continue;
        if (!sawHeader) {
            sawHeader = true;
            if (line == kHeader || line == "\xEF\xBB\xBF" + std::string(kHeader)) continue;
            ++document.unreadable;
        }
        if (line.front() == '[') {
            current = nullptr;
            inForeignKey = true;
            if (line.back() != ']') {
                ++document.unreadable;
                continue;
            }
            std::string_view key(line);
            key = key.substr(1, key.size() - 2);
            if (key.size() > kBasePath.size() + 1 && SameName(key.substr(0, kBasePath.size()), kBasePath) &&
                key[kBasePath.size()] == '\\') {
                current = &document.AddSection(key.substr(kBasePath.size() + 1));
                currentPositions = &positions[Folded(current->name)];
                inForeignKey = false;
            } else {
                // Not ours, and not kept by a rewrite: the damaged-file copy keeps it.
                ++document.unreadable;
            }
            continue;
        }
        auto value = ParseValue(line);
        if (!value || (!current && !inForeignKey)) {
            ++document.unreadable;
            continue;
        }
        if (!current) continue;  // a key that is not ours: counted at its header
        const auto [position, added] = currentPositions->emplace(Folded(value->name), current->values.size());
        if (added) current->values.push_back(std::move(*value));
        else current->values[position->second] = std::move(*value);
    }
    return document;
}

std::string Print(const Document& document) {
    std::string out(kHeader);
    out += "\n";
    for (const auto& section : document.sections) {
        out += "\n[";
        out += kBasePath;
        out += "\\" + section.name + "]\n";
        for (const auto& value : section.values) {
            out += Quote(value.name) + "=";
            if (value.type == Value::Type::Number) {
                char number[16];
                std::snprintf(number, sizeof number, "dword:%08x", value.number);
                out += number;
            } else if (NeedsHexForm(value.text)) {
                out += HexString(value.text);
            } else {
                out += Quote(Utf16ToUtf8(value.text));
            }
            out += "\n";
        }
    }
    return out;
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = text[i];
        char32_t code;
        int extra;
        if (c < 0x80) { code = c; extra = 0; }
        else if ((c & 0xE0) == 0xC0) { code = c & 0x1F; extra = 1; }
        else if ((c & 0xF0) == 0xE0) { code = c & 0x0F; extra = 2; }
        else if ((c & 0xF8) == 0xF0) { code = c & 0x07; extra = 3; }
        else return std::nullopt;
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= text.size()) return std::nullopt;
            unsigned char next = text[i + k];
            if ((next & 0xC0) != 0x80) return std::nullopt;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
        if (code < kMinimum[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
        i += extra + 1;
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = 0xFFFD;
        }
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return out;
}

}  // namespace kv::regfile
