#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/core/Messages.h"

namespace kv {
namespace {

constexpr UINT kFirst = 0xC000;
constexpr UINT kCount = 0x4000;

// FNV-1a: simple, stable across builds and processes.
std::uint32_t Hash(std::string_view text) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

}  // namespace

UINT RegisterWindowMessage(std::string_view name) {
    static std::mutex mutex;
    static std::map<std::string, UINT, std::less<>> byName;
    static std::set<UINT> taken;
    std::lock_guard lock(mutex);
    if (auto it = byName.find(name); it != byName.end()) return it->second;
    UINT slot = Hash(name) % kCount;
    while (taken.count(kFirst + slot)) slot = (slot + 1) % kCount;
    const UINT number = kFirst + slot;
    taken.insert(number);
    byName.emplace(std::string(name), number);
    return number;
}

}  // namespace kv
