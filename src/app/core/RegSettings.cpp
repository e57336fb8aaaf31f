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
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    Fd dir(::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) ::fsync(dir.get());
    return true;
}

// Keeps a copy of a settings file that could not be fully understood before
// it is first rewritten, so nothing the user had is lost for good.
void PreserveCorrupt(const fs::path& path, const std::string& text) {
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    fs::path copy = path.string() + ".corrupt-" + stamp;
    for (int n = 1; fs::exists(copy); ++n) copy = path.string() + ".corrupt-" + stamp + "-" + std::to_string(n);
    ReplaceFile(copy, text);
}

struct Loaded {
    Document document;
    std::string text;
};

std::optional<Loaded> Load(const fs::path& path) {
    auto text = ReadFile(path);
    if (!text) return std::nullopt;
    Loaded loaded{regfile::Parse(*text), std::move(*text)};
    if (loaded.document.unreadable)
        TraceF("CRegSettings: %d unreadable entries in %s; their values read as defaults\n",
               loaded.document.unreadable, path.c_str());
    return loaded;
}

bool Save(const fs::path& path, const Loaded& loaded) {
    if (loaded.document.unreadable) PreserveCorrupt(path, loaded.text);
    return ReplaceFile(path, regfile::Print(loaded.document));
}

// Opens the section (creating it, and the file, when missing), then runs
// `access` on it. False when the section cannot be created.
bool WithSection(const std::string& sectionName, bool write,
                 const std::function<bool(regfile::Section&)>& access) {
    const fs::path path = CRegSettings::FilePath();
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    FileLock lock(path);
    auto loaded = Load(path);
    if (!loaded) return false;
    regfile::Section* section = loaded->document.FindSection(sectionName);
    const bool created = section == nullptr;
    if ((created || write) && !lock.Held()) return false;
    if (created) section = &loaded->document.AddSection(sectionName);
    const bool changed = access(*section);
    if (created || (write && changed)) return Save(path, *loaded);
    return true;
}

}  // namespace

fs::path CRegSettings::FilePath() {
    if (const char* chosen = std::getenv("KALVISTA_REGISTRY"); chosen && *chosen) return chosen;
    return ConfigFolder() / "Kalvista Software" / "Kalvista.reg";
}

int CRegSettings::SetString(const std::string& section, const std::string& name, const std::string& text) {
    auto wide = regfile::Utf8ToUtf16(text);
    if (!wide) {
        Trace(kCannotSetValue);
        return 0;
    }
    bool opened = WithSection(section, true, [&](regfile::Section& s) {
        Value* value = regfile::FindValue(s, name);
        if (!value) { value = &s.values.emplace_back(); value->name = name; }
        value->type = Value::Type::String;
        value->text = *wide;
        return true;
    });
    if (!opened) {
        Trace(kCannotCreateKey);
        return 0;
    }
    return 1;
}

int CRegSettings::SetDWORD(const std::string& section, const std::string& name, std::uint32_t number) {
    bool opened = WithSection(section, true, [&](regfile::Section& s) {
        Value* value = regfile::FindValue(s, name);
        if (!value) { value = &s.values.emplace_back(); value->name = name; }
        value->type = Value::Type::Number;
        value->text.clear();
        value->number = number;
        return true;
    });
    if (!opened) {
        Trace(kCannotCreateKey);
        return 0;
    }
    return 1;
}

std::string CRegSettings::GetString(const std::string& section, const std::string& name, const char* defaultText) {
    std::optional<std::string> found;
    bool opened = WithSection(section, false, [&](regfile::Section& s) {
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
    if (!opened) Trace(kCannotCreateKey);
    if (found) return *found;
    return defaultText ? defaultText : "";
}

std::uint32_t CRegSettings::GetDWORD(const std::string& section, const std::string& name, std::uint32_t defaultNumber) {
    std::optional<std::uint32_t> found;
    bool opened = WithSection(section, false, [&](regfile::Section& s) {
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
    if (!opened) Trace(kCannotCreateKey);
    return found ? *found : defaultNumber;
}

}  // namespace kv
