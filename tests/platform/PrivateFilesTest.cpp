// Folders and files only this user can reach, and what another user (or a
// link someone planted) cannot make us take for ours: the single-instance
// lock, a runtime folder, a private file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/core/InstanceLock.h"
#include "platform/core/Paths.h"
#include "platform/core/PrivateFiles.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info.st_mode & 07777;
}

// Sets an environment variable while it lives.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (m_old) ::setenv(m_name, m_old->c_str(), 1);
        else ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(PrivateFilesTest, APrivateFileIsAlwaysNewAndOnlyOurs) {
    kvtest::TempDir dir;
    const int fd = kv::CreatePrivateFile(dir / "made");
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(ModeOf(dir / "made"), 0600u);
    EXPECT_LT(kv::CreatePrivateFile(dir / "made"), 0) << "an existing file was taken";
    std::ofstream(dir / "victim") << "keep";
    fs::create_symlink(dir / "victim", dir / "planted");
    EXPECT_FALSE(kv::ReservePrivateFile(dir / "planted")) << "a planted link was followed";
    EXPECT_EQ(fs::file_size(dir / "victim"), 4u);
}

TEST(PrivateFilesTest, APrivateFolderIsMadeClosedAndOnlyAFolderOfOursIsTaken) {
    kvtest::TempDir dir;
    ASSERT_TRUE(kv::MakePrivateFolder(dir / "a" / "b"));
    EXPECT_EQ(ModeOf(dir / "a" / "b"), 0700u);
    fs::create_directory(dir / "open");
    fs::permissions(dir / "open", fs::perms::all);
    EXPECT_TRUE(kv::MakePrivateFolder(dir / "open"));
    EXPECT_EQ(ModeOf(dir / "open"), 0700u) << "a folder of ours is closed to others";
    fs::create_directory_symlink(dir / "open", dir / "link");
    std::string why;
    EXPECT_FALSE(kv::MakePrivateFolder(dir / "link", &why)) << "a link was taken for a folder";
    EXPECT_NE(why.find("is not a folder"), std::string::npos) << why;
    EXPECT_FALSE(kv::IsPrivateFolder(dir / "link"));
    if (::geteuid() != 0) GTEST_SKIP() << "another user's folder needs root to make";
    fs::create_directory(dir / "theirs");
    ASSERT_EQ(::chown((dir / "theirs").c_str(), 65534, 65534), 0);
    EXPECT_FALSE(kv::MakePrivateFolder(dir / "theirs", &why));
    EXPECT_NE(why.find("belongs to another user"), std::string::npos) << why;
}

// The lock lives in the user's runtime folder; what someone put in its place
// (a link, a file of another user's) is not taken for a running copy.
TEST(PrivateFilesTest, TheLockIsOnlyEverAFileOfOurs) {
    kvtest::TempDir runtime;
    fs::permissions(runtime.path(), fs::perms::owner_all);
    const ScopedEnv env("XDG_RUNTIME_DIR", runtime.path().string());
    EXPECT_EQ(kv::RuntimeFolder(), runtime.path());
    EXPECT_EQ(kv::InstanceFilePath("Kalvista-test", ".lock"), runtime / "Kalvista-test.lock");
    {
        kv::InstanceLock first("Kalvista-test");
        EXPECT_EQ(first.result(), kv::InstanceLock::Result::Created);
        kv::InstanceLock second("Kalvista-test");
        EXPECT_TRUE(second.HeldElsewhere());
    }
    std::ofstream(runtime / "elsewhere") << "";
    fs::create_symlink(runtime / "elsewhere", runtime / "Kalvista-planted.lock");
    kv::InstanceLock planted("Kalvista-planted");
    EXPECT_EQ(planted.result(), kv::InstanceLock::Result::Failed) << "a planted link passed for our lock";
    if (::geteuid() != 0) return;
    std::ofstream(runtime / "Kalvista-theirs.lock") << "";
    ASSERT_EQ(::chown((runtime / "Kalvista-theirs.lock").c_str(), 65534, 65534), 0);
    kv::InstanceLock theirs("Kalvista-theirs");
    EXPECT_FALSE(theirs.HeldElsewhere()) << "another user's file was taken for a running copy";
}

// A runtime folder others may write to is not ours to use; nor is /tmp
// itself ever the home or the runtime folder.
TEST(PrivateFilesTest, FoldersOthersCanWriteAreNeverOurs) {
    kvtest::TempDir shared;
    fs::permissions(shared.path(), fs::perms::all | fs::perms::sticky_bit);
    const ScopedEnv runtime("XDG_RUNTIME_DIR", shared.path().string());
    const fs::path fallback = kv::RuntimeFolder();
    EXPECT_NE(fallback, shared.path());
    EXPECT_NE(fallback, fs::path("/tmp"));
    EXPECT_TRUE(kv::IsPrivateFolder(fallback)) << fallback;
    const ScopedEnv home("HOME", "");
    EXPECT_NE(kv::HomeFolder(), fs::path("/tmp"));
}

}  // namespace
