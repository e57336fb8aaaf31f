#pragma once
// The settings store: named string and number values in sections, kept in a
// per-user file in .reg text syntax. Every operation locks the file, reads
// it, changes at most one value and replaces the file atomically; nothing is
// cached, so the file is the state shared by every thread and process.
#include <cstdint>
#include <filesystem>
#include <string>

namespace kv {

class CRegSettings {
public:
    CRegSettings() = default;
    virtual ~CRegSettings() = default;

    // 1 when written, 0 otherwise.
    int SetString(const std::string& section, const std::string& name, const std::string& text);
    int SetDWORD(const std::string& section, const std::string& name, std::uint32_t number);
    // The stored value, or the default when it cannot be read (a null default is "").
    std::string GetString(const std::string& section, const std::string& name, const char* defaultText);
    std::uint32_t GetDWORD(const std::string& section, const std::string& name, std::uint32_t defaultNumber);

    // $KALVISTA_REGISTRY, else ${XDG_CONFIG_HOME:-~/.config}/Kalvista Software/Kalvista.reg
    static std::filesystem::path FilePath();
};

}  // namespace kv
