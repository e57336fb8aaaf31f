#include "platform/automation/OfficeProcesses.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

namespace kv {

namespace fs = std::filesystem;

namespace {

std::mutex g_ownedMutex;
std::multiset<pid_t>& OwnedGroups() {
    static std::multiset<pid_t> groups;
    return groups;
}

std::string ModuleName(pid_t pid) {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", ec);
    if (ec) return "<unknown>";
    std::string name = exe.filename().string();
    const std::string deleted = " (deleted)";  // the program was replaced on disk while it runs
    if (name.size() > deleted.size() && name.ends_with(deleted)) name.resize(name.size() - deleted.size());
    return name;
}

// The state letter and the process group from /proc/<pid>/stat.
bool ReadStat(pid_t pid, char* state, pid_t* group) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // The command name may hold blanks and parentheses: the fields follow the last ')'.
    size_t close = text.rfind(')');
    if (close == std::string::npos) return false;
    std::istringstream fields(text.substr(close + 1));
    std::string letter;
    long parent = 0, pgrp = 0;
    fields >> letter >> parent >> pgrp;
    if (!fields || letter.empty()) return false;
    *state = letter[0];
    *group = static_cast<pid_t>(pgrp);
    return true;
}

bool IsOurs(pid_t pid) {
    struct stat info {};
    return ::stat(("/proc/" + std::to_string(pid)).c_str(), &info) == 0 && info.st_uid == ::getuid();
}

}  // namespace

bool QueryUserProcess(pid_t pid, ProcessEntry* entry) {
    if (pid <= 0 || !IsOurs(pid)) return false;
    entry->pid = pid;
    char state = 0;
    if (!ReadStat(pid, &state, &entry->group)) return false;
    entry->moduleName = ModuleName(pid);
    return true;
}

bool EnumUserProcesses(std::vector<ProcessEntry>* processes, size_t limit) {
    processes->clear();
    std::error_code ec;
    fs::directory_iterator it("/proc", ec);
    if (ec) return false;
    std::vector<pid_t> pids;
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
        pids.push_back(static_cast<pid_t>(std::stol(name)));
    }
    std::sort(pids.begin(), pids.end());
    for (pid_t pid : pids) {
        if (processes->size() >= limit) break;
        ProcessEntry process;
        if (QueryUserProcess(pid, &process)) processes->push_back(std::move(process));
    }
    return true;
}

bool ProcessGroupLives(pid_t group) {
    if (group <= 0 || (::kill(-group, 0) != 0 && errno == ESRCH)) return false;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || !std::all_of(name.begin(), name.end(), ::isdigit)) continue;
        char state = 0;
        pid_t member = 0;
        if (ReadStat(static_cast<pid_t>(std::stol(name)), &state, &member) && member == group && state != 'Z') return true;
    }
    return ec.value() != 0;  // /proc unreadable: taken as running, as before
}

void RegisterOwnedProcessGroup(pid_t group) {
    std::lock_guard lock(g_ownedMutex);
    OwnedGroups().insert(group);
}

void UnregisterOwnedProcessGroup(pid_t group) {
    std::lock_guard lock(g_ownedMutex);
    auto it = OwnedGroups().find(group);
    if (it != OwnedGroups().end()) OwnedGroups().erase(it);
}

bool IsOwnedProcessGroup(pid_t group) {
    std::lock_guard lock(g_ownedMutex);
    return group > 0 && OwnedGroups().count(group) > 0;
}

int TerminateProcessGently(pid_t pid, int graceMs) {
    if (pid <= 0) return EINVAL;
    if (::kill(pid, SIGTERM) != 0) return errno;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(graceMs);
    while (std::chrono::steady_clock::now() < deadline) {
        // A process that is gone (or only a zombie waiting for its parent) has ended.
        char state = 0;
        pid_t group = 0;
        if (::kill(pid, 0) != 0 || !ReadStat(pid, &state, &group) || state == 'Z') return 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return ::kill(pid, SIGKILL) == 0 || errno == ESRCH ? 0 : errno;
}

}  // namespace kv
