#include "app/core/RegSettings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>

#include "app/core/RegFile.h"
#include "platform/core/Paths.h"
#include "platform/core/Trace.h"

namespace kv {
namespace fs = std::filesystem;
using regfile::Document;
using regfile::Value;

namespace {

constexpr const char* kCannotCreateKey = "Could not create the registry key.\n";
constexpr const char* kCannotSetValue = "Could not set the value to key.\n";

class FileLock {
public:
    explicit FileLock(const fs::path& target) {
        const fs::path lockPath = target.string() + ".lock";
        m_fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) return;
        while (::flock(m_fd, LOCK_EX) != 0) {
            if (errno != EINTR) {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
        }
    }
    ~FileLock() {
        if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Reads the whole file; nullopt when it exists but cannot be read.
std::optional<std::string> ReadFile(const fs::path& path) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return errno == ENOENT ? std::optional<std::string>(std::string()) : std::nullopt;
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        text.append(buffer, static_cast<size_t>(got));
    }
    return text;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

// Write a temporary file, flush it, and rename it over the settings file, so
// a crash at any moment leaves the old or the new file, never a torn one.
bool ReplaceFile(const fs::path& path, const std::string& text) {
    const fs::path temp = path.string() + ".tmp";
    {
        Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (fd.get() < 0) return false;
        if (!WriteAll(fd.get(), text) || ::fsync(fd.get()) != 0) {
            ::unlink(temp.c_str());
            return false;
        }
    }
    // The rename itself needs no flush of the folder: after a power cut the
    // folder holds the old or the new name, and both are whole files.
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

// Keeps a copy of a settings file that could not be fully understood before
// it is first rewritten, so nothing the user had is lost for good.
bool PreserveDamaged(const fs::path& path, const std::string& text) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = path.string() + ".corrupt-" + stamp;
    fs::path copy = base;
    std::error_code error;
    for (int n = 1; fs::exists(copy, error); ++n) copy = base + "-" + std::to_string(n);
    return ReplaceFile(copy, text);
}

struct Loaded {
    Document document;
    bool mayWrite = false;  // locked, and any damaged original is kept safe
};

// Reads and parses the file. A damaged file is reported once: while the lock
// is held it is copied aside and rewritten with everything that could be
// read, so later accesses find a clean file.
std::optional<Loaded> Load(const fs::path& path, bool locked) {
    auto text = ReadFile(path);
    if (!text) return std::nullopt;
    Loaded loaded{regfile::Parse(*text), locked};
    if (loaded.document.unreadable) {
        TraceF("CRegSettings: %d unreadable entries in %s; their values read as defaults\n",
               loaded.document.unreadable, path.c_str());
        loaded.mayWrite = locked && PreserveDamaged(path, *text) &&
                          ReplaceFile(path, regfile::Print(loaded.document));
    }
    return loaded;
}

enum class Access { Done, NoSection, NotWritten };

// A section name becomes part of a key path on one line.
bool UsableSectionName(const std::string& name) {
    if (name.empty()) return false;
    for (unsigned char c : name)
        if (c < 0x20) return false;
    return true;
}

// Opens the section (creating it, and the file, when missing), then runs
// `access` on it; `access` returns whether it changed the section.
Access WithSection(const std::string& sectionName, bool write,
                   const std::function<bool(regfile::Section&)>& access) {
    if (!UsableSectionName(sectionName)) return Access::NoSection;
    const fs::path path = CRegSettings::FilePath();
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    FileLock lock(path);
    auto loaded = Load(path, lock.Held());
    if (!loaded) return Access::NoSection;
    regfile::Section* section = loaded->document.FindSection(sectionName);
    const bool created = section == nullptr;
    if (created) {
        if (!loaded->mayWrite) return Access::NoSection;
        section = &loaded->document.AddSection(sectionName);
    }
    if (write && !loaded->mayWrite) return Access::NotWritten;
    const bool changed = access(*section);
    if (!created && !changed) return Access::Done;
    if (ReplaceFile(path, regfile::Print(loaded->document))) return Access::Done;
    return created ? Access::NoSection : Access::NotWritten;
}

// The result of a write, with its trace line on failure.
int WriteResult(Access access) {
    if (access == Access::NoSection) Trace(kCannotCreateKey);
    if (access == Access::NotWritten) Trace(kCannotSetValue);
    return access == Access::Done ? 1 : 0;
}

Value& FindOrAddValue(regfile::Section& section, const std::string& name) {
    if (Value* value = regfile::FindValue(section, name)) return *value;
    Value& value = section.values.emplace_back();
    value.name = name;
    return value;
}

}  // namespace

fs::path CRegSettings::FilePath() {
    if (const char* chosen = std::getenv("KALVISTA_REGISTRY"); chosen && *chosen) return chosen;
    return ConfigFolder() / "Kalvista Software" / "Kalvista.reg";
}

int CRegSettings::SetString(const std::string& section, const std::string& name, const std::string& text) {
    // Text that is not UTF-8 has no UTF-16 form to store.
    auto wide = regfile::Utf8ToUtf16(text);
    if (!wide) {
        Trace(kCannotSetValue);
        return 0;
    }
    return WriteResult(WithSection(section, true, [&](regfile::Section& s) {
        Value& value = FindOrAddValue(s, name);
        value.type = Value::Type::String;
        value.text = *wide;
        value.number = 0;
        return true;
    }));
}

int CRegSettings::SetDWORD(const std::string& section, const std::string& name, std::uint32_t number) {
    return WriteResult(WithSection(section, true, [&](regfile::Section& s) {
        Value& value = FindOrAddValue(s, name);
        value.type = Value::Type::Number;
        value.text.clear();
        value.number = number;
        return true;
    }));
}

std::string CRegSettings::GetString(const std::string& section, const std::string& name, const char* defaultText) {
    std::optional<std::string> found;
    const Access access = WithSection(section, false, [&](regfile::Section& s) {
        if (const Value* value = regfile::FindValue(s, name)) {
            if (value->type == Value::Type::String) {
                found = regfile::Utf16ToUtf8(value->text);
            } else {
                // The stored type is ignored: a number reads as its four bytes of UTF-16.
                std::u16string raw{static_cast<char16_t>(value->number & 0xFFFF),
                                   static_cast<char16_t>(value->number >> 16)};
                if (auto end = raw.find(u'\0'); end != raw.npos) raw.resize(end);
                found = regfile::Utf16ToUtf8(raw);
            }
        }
        return false;
    });
    if (access == Access::NoSection) Trace(kCannotCreateKey);
    if (found) return *found;
    return defaultText ? defaultText : "";
}

std::uint32_t CRegSettings::GetDWORD(const std::string& section, const std::string& name, std::uint32_t defaultNumber) {
    std::optional<std::uint32_t> found;
    const Access access = WithSection(section, false, [&](regfile::Section& s) {
        if (const Value* value = regfile::FindValue(s, name)) {
            if (value->type == Value::Type::Number) {
                found = value->number;
            } else if ((value->text.size() + 1) * 2 <= 4) {
                // The stored type is ignored: a short string reads as its raw
                // UTF-16 bytes (with the terminating null) as a little-endian number.
                std::uint32_t bytes = 0;
                for (size_t i = 0; i < value->text.size(); ++i) bytes |= std::uint32_t(value->text[i]) << (16 * i);
                found = bytes;
            }
        }
        return false;
    });
    if (access == Access::NoSection) Trace(kCannotCreateKey);
    return found ? *found : defaultNumber;
}

}  // namespace kv
