#pragma once
// The .reg text form of the settings: parse and print, no I/O.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kv::regfile {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kBasePath = "SOFTWARE\\Kalvista Software\\Kalvista";

struct Value {
    enum class Type { String, Number };
    std::string name;
    Type type = Type::String;
    std::u16string text;  // strings keep their UTF-16 form, as stored
    std::uint32_t number = 0;
};

struct Section {
    std::string name;  // below the base path, e.g. "AVSettings"
    std::vector<Value> values;
};

struct Document {
    std::vector<Section> sections;
    int unreadable = 0;  // lines or values that could not be understood

    Section* FindSection(std::string_view name);
    Section& AddSection(std::string_view name);
};

Value* FindValue(Section& section, std::string_view name);

Document Parse(std::string_view fileText);
std::string Print(const Document& document);

// UTF-8 <-> UTF-16; nullopt for input that is not valid UTF-8.
std::optional<std::u16string> Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace kv::regfile
