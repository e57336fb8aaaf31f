#include "platform/process/ClosedRoom.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <linux/securebits.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>

#include "platform/core/Paths.h"
#include "platform/core/Trace.h"
#include "platform/process/RoomSpawn.h"

namespace kv {
namespace fs = std::filesystem;

namespace {

// Top folders a room keeps: the system's own. Every other folder of / is emptied.
const std::set<std::string> kSystemFolders = {"bin", "dev", "etc", "lib", "lib32", "lib64", "libx32",
                                               "opt", "proc", "run", "sbin", "sys", "usr", "var"};
// Folders inside the kept ones that hold users' files all the same.
const char* const kEmptiedInside[] = {"/run/user", "/var/tmp", "/var/mail", "/run/media"};

// One folder or file shown in the room, at `target`, from `source` outside.
struct Bind {
    std::string source;
    std::string target;
    bool directory = true;
    bool readOnly = true;
    unsigned long keptFlags = 0;         // the source's mount flags a read-only copy must keep
    std::vector<std::string> missing;    // folders to make (in an emptied folder) before it
};

// Everything the child does, worked out before the fork: after it only
// system calls are made (the parent may have other threads).
struct Plan {
    std::vector<std::string> emptied;
    std::vector<Bind> binds;
    std::string uidMap, gidMap;
    bool network = false;
};

enum class Step : int { Group = 1, Files, Unshare, Maps, Private, Sources, Empty, Folders, Show, ReadOnly, Drop, Exec };

const char* StepName(Step step) {
    switch (step) {
    case Step::Group: return "making its process group";
    case Step::Files: return "opening its output";
    case Step::Unshare: return "making its namespaces";
    case Step::Maps: return "mapping its user";
    case Step::Private: return "making its mounts private";
    case Step::Sources: return "opening the folders it is shown";
    case Step::Empty: return "emptying the machine's folders";
    case Step::Folders: return "making the places of the folders it is shown";
    case Step::Show: return "showing it its folders";
    case Step::ReadOnly: return "making them read-only";
    case Step::Drop: return "dropping its capabilities";
    case Step::Exec: return "starting the program";
    }
    return "?";
}

unsigned long KeptMountFlags(const std::string& path) {
    struct statvfs info {};
    if (::statvfs(path.c_str(), &info) != 0) return MS_NOSUID | MS_NODEV;
    unsigned long flags = MS_NOSUID | MS_NODEV;
    if (info.f_flag & ST_NOEXEC) flags |= MS_NOEXEC;
    if (info.f_flag & ST_NOATIME) flags |= MS_NOATIME;
    if (info.f_flag & ST_NODIRATIME) flags |= MS_NODIRATIME;
    if (info.f_flag & ST_RELATIME) flags |= MS_RELATIME;
    return flags;
}

// A bind for `source` at `target`; nothing when the source is not there or
// needs no showing (it is in a folder the room keeps anyway).
std::optional<Bind> MakeBind(const fs::path& source, const fs::path& target, bool readOnly,
                             const std::vector<std::string>& emptied) {
    std::error_code error;
    const fs::path real = fs::canonical(source, error);
    if (error) return std::nullopt;
    const fs::path place = target.empty() ? real : target;
    // /tmp is the room's own: what is shown inside it is shown anew, as in an emptied folder.
    const auto root = std::find_if(emptied.begin(), emptied.end(), [&](const std::string& e) { return PathUnder(place, e); });
    if (root == emptied.end() && !PathUnder(place, "/tmp")) return std::nullopt;
    Bind bind;
    bind.source = real.string();
    bind.target = place.string();
    bind.directory = fs::is_directory(real, error);
    bind.readOnly = readOnly;
    bind.keptFlags = KeptMountFlags(bind.source);
    fs::path folder;
    for (const auto& part : place.parent_path()) {
        folder /= part;
        if (folder != "/") bind.missing.push_back(folder.string());
    }
    return bind;
}

Plan MakePlan(const ClosedRoom& room) {
    Plan plan;
    for (const fs::path& folder : FoldersARoomEmpties()) plan.emptied.push_back(folder.string());
    if (auto tmp = MakeBind(room.tmp, "/tmp", false, plan.emptied)) plan.binds.push_back(*tmp);
    std::vector<Bind> shown;
    for (const auto& path : room.writable)
        if (auto bind = MakeBind(path, {}, false, plan.emptied)) shown.push_back(*bind);
    for (const auto& path : room.readable)
        if (auto bind = MakeBind(path, {}, true, plan.emptied)) shown.push_back(*bind);
    // A folder before what is shown inside it; what a folder shown as well
    // (or better) already shows needs no showing of its own.
    std::stable_sort(shown.begin(), shown.end(), [](const Bind& a, const Bind& b) {
        return std::count(a.target.begin(), a.target.end(), '/') < std::count(b.target.begin(), b.target.end(), '/');
    });
    const auto ownTmp = static_cast<std::ptrdiff_t>(plan.binds.size());
    for (const Bind& bind : shown) {
        const bool covered = std::any_of(plan.binds.begin() + ownTmp, plan.binds.end(), [&](const Bind& outer) {
            return outer.directory && PathUnder(bind.target, outer.target) && (bind.readOnly || !outer.readOnly);
        });
        if (!covered) plan.binds.push_back(bind);
    }
    plan.uidMap = std::to_string(::geteuid()) + " " + std::to_string(::geteuid()) + " 1\n";
    plan.gidMap = std::to_string(::getegid()) + " " + std::to_string(::getegid()) + " 1\n";
    plan.network = room.network;
    return plan;
}

// --- In the child, after the fork: system calls only. ---

[[noreturn]] void Fail(int reportFd, Step step) {
    const int report[2] = {static_cast<int>(step), errno};
    [[maybe_unused]] const ssize_t ignored = ::write(reportFd, report, sizeof report);
    ::_exit(127);
}

bool WriteFile(const char* path, const char* text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const ssize_t length = static_cast<ssize_t>(std::strlen(text));
    const bool written = ::write(fd, text, static_cast<size_t>(length)) == length;
    return ::close(fd) == 0 && written;
}

// "/proc/self/fd/<fd>" into `buffer`, without the allocating formatters.
const char* FdPath(int fd, char (&buffer)[32]) {
    char digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + fd % 10);
        fd /= 10;
    } while (fd > 0 && count < 11);
    std::memcpy(buffer, "/proc/self/fd/", 14);
    for (int i = 0; i < count; ++i) buffer[14 + i] = digits[count - 1 - i];
    buffer[14 + count] = '\0';
    return buffer;
}

void EnterNamespaces(const Plan& plan, int reportFd) {
    const int flags = CLONE_NEWUSER | CLONE_NEWNS | (plan.network ? 0 : CLONE_NEWNET);
    if (::unshare(flags) != 0) Fail(reportFd, Step::Unshare);
    if (!WriteFile("/proc/self/setgroups", "deny") || !WriteFile("/proc/self/uid_map", plan.uidMap.c_str()) ||
        !WriteFile("/proc/self/gid_map", plan.gidMap.c_str()))
        Fail(reportFd, Step::Maps);
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) Fail(reportFd, Step::Private);
}

void FurnishRoom(const Plan& plan, std::vector<int>& sources, int reportFd) {
    // The sources are taken before the folders holding them are emptied.
    for (size_t i = 0; i < plan.binds.size(); ++i)
        if ((sources[i] = ::open(plan.binds[i].source.c_str(), O_PATH | O_CLOEXEC)) < 0) Fail(reportFd, Step::Sources);
    for (const std::string& folder : plan.emptied)
        if (::mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "mode=0755,size=64m") != 0)
            Fail(reportFd, Step::Empty);
    for (size_t i = 0; i < plan.binds.size(); ++i) {
        const Bind& bind = plan.binds[i];
        for (const std::string& folder : bind.missing)
            if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) Fail(reportFd, Step::Folders);
        if (bind.directory) {
            if (::mkdir(bind.target.c_str(), 0755) != 0 && errno != EEXIST) Fail(reportFd, Step::Folders);
        } else {
            const int fd = ::open(bind.target.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0600);
            if (fd < 0) Fail(reportFd, Step::Folders);
            ::close(fd);
        }
        char path[32];
        if (::mount(FdPath(sources[i], path), bind.target.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0)
            Fail(reportFd, Step::Show);
        if (bind.readOnly && ::mount(nullptr, bind.target.c_str(), nullptr,
                                     MS_BIND | MS_REMOUNT | MS_RDONLY | bind.keptFlags, nullptr) != 0)
            Fail(reportFd, Step::ReadOnly);
        ::close(sources[i]);
    }
    if (::chdir("/") != 0) Fail(reportFd, Step::Folders);
}

// Root inside the room would have every capability there, and could take the
// room apart: nobody keeps or gains one.
void DropCapabilities(int reportFd) {
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) Fail(reportFd, Step::Drop);
    if (::prctl(PR_SET_SECUREBITS, SECBIT_NOROOT | SECBIT_NOROOT_LOCKED | SECBIT_NO_SETUID_FIXUP |
                                       SECBIT_NO_SETUID_FIXUP_LOCKED | SECBIT_KEEP_CAPS_LOCKED,
                0, 0, 0) != 0)
        Fail(reportFd, Step::Drop);
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[2] = {};
    if (::syscall(SYS_capset, &header, none) != 0) Fail(reportFd, Step::Drop);
}

}  // namespace

std::vector<fs::path> FoldersARoomEmpties() {
    std::vector<fs::path> folders;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/", error)) {
        const std::string name = entry.path().filename().string();
        if (name == "tmp" || kSystemFolders.count(name) || !entry.is_directory(error) || entry.is_symlink(error))
            continue;
        folders.push_back(entry.path());
    }
    for (const char* inside : kEmptiedInside)
        if (fs::is_directory(inside, error) && !fs::is_symlink(inside, error)) folders.push_back(inside);
    std::sort(folders.begin(), folders.end());
    return folders;
}

pid_t SpawnInRoom(const RoomSpawn& spawn, int* error) {
    const Plan plan = MakePlan(*spawn.room);
    std::vector<int> sources(plan.binds.size(), -1);
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        *error = errno;
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        *error = errno;
        ::close(report[0]);
        ::close(report[1]);
        return -1;
    }
    if (pid == 0) {
        ::close(report[0]);
        if (spawn.newProcessGroup && ::setpgid(0, 0) != 0) Fail(report[1], Step::Group);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::signal(SIGPIPE, SIG_DFL);
        ::signal(SIGXFSZ, SIG_DFL);
        const int input = ::open("/dev/null", O_RDONLY);
        const int output = ::open(spawn.output, O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW, 0600);
        if (input < 0 || output < 0 || ::dup2(input, 0) < 0 || ::dup2(output, 1) < 0 || ::dup2(output, 2) < 0)
            Fail(report[1], Step::Files);
        if (input > 2) ::close(input);
        if (output > 2) ::close(output);
        EnterNamespaces(plan, report[1]);
        FurnishRoom(plan, sources, report[1]);
        DropCapabilities(report[1]);
        ::execve(spawn.program, spawn.argv, spawn.env);
        Fail(report[1], Step::Exec);
    }
    ::close(report[1]);
    int failure[2] = {0, 0};
    ssize_t got;
    while ((got = ::read(report[0], failure, sizeof failure)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    if (got <= 0) return pid;  // the pipe closed on exec: the program runs
    int status = 0;
    ::waitpid(pid, &status, 0);
    *error = failure[1] != 0 ? failure[1] : EPERM;
    TraceF("ClosedRoom : %s failed while %s: %s\n", spawn.program, StepName(static_cast<Step>(failure[0])),
           std::strerror(*error));
    return -1;
}

bool ClosedRoomsWork() {
    static std::once_flag once;
    static bool work = false;
    std::call_once(once, [] {
        ClosedRoom room;
        room.tmp = "/tmp";
        const Plan plan = MakePlan(room);
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int devNull = ::open("/dev/null", O_WRONLY);
            EnterNamespaces(plan, devNull);
            std::vector<int> sources(plan.binds.size(), -1);
            FurnishRoom(plan, sources, devNull);
            DropCapabilities(devNull);
            ::_exit(0);
        }
        int status = 0;
        work = pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (!work) Trace("ClosedRoom : this system does not let us make closed rooms (user namespaces)\n");
    });
    return work;
}

}  // namespace kv
