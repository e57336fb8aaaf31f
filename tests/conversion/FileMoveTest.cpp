// Moving the recording into place, within and across file systems.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/files/FileMove.h"
#include "support/TempDir.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::string Content(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(FileMove, RenamesWithinAFileSystemAndNeverReplaces) {
    kvtest::TempDir dir;
    std::ofstream(dir / "a.avi") << "recording";
    std::ofstream(dir / "taken.avi") << "other";
    std::error_code error;
    EXPECT_FALSE(MoveFileTo(dir / "a.avi", dir / "taken.avi", error));
    EXPECT_EQ(error, std::errc::file_exists);
    EXPECT_EQ(Content(dir / "taken.avi"), "other");
    EXPECT_TRUE(MoveFileTo(dir / "a.avi", dir / "b.avi", error));
    EXPECT_FALSE(error);
    EXPECT_EQ(Content(dir / "b.avi"), "recording");
    EXPECT_FALSE(fs::exists(dir / "a.avi"));
    EXPECT_FALSE(MoveFileTo(dir / "a.avi", dir / "c.avi", error));  // nothing to move
    EXPECT_FALSE(MoveFileTo(dir / "b.avi", dir / "no such folder" / "c.avi", error));
    EXPECT_TRUE(fs::exists(dir / "b.avi"));
}

class OtherFileSystem : public ::testing::Test {
protected:
    void SetUp() override {
        struct stat a {}, b {};
        if (::stat(dir.path().c_str(), &a) != 0 || ::stat(shm.c_str(), &b) != 0 || a.st_dev == b.st_dev ||
            ::access(shm.c_str(), W_OK) != 0)
            GTEST_SKIP() << "no second file system at " << shm;
        target = shm / ("kalvista-move-" + std::to_string(::getpid()) + ".avi");
    }
    void TearDown() override { fs::remove(target); }
    fs::path shm = "/dev/shm";
    fs::path target;
    kvtest::TempDir dir;
};

TEST_F(OtherFileSystem, CopiesThenRemovesTheSource) {
    std::string big(3 << 20, 'v');
    std::ofstream(dir / "rec.avi", std::ios::binary) << big;
    std::error_code error;
    ASSERT_TRUE(MoveFileTo(dir / "rec.avi", target, error)) << error.message();
    EXPECT_EQ(Content(target), big);
    EXPECT_FALSE(fs::exists(dir / "rec.avi"));
}

TEST_F(OtherFileSystem, AFailedCopyKeepsTheSourceAndLeavesNoPart) {
    // A folder opens but cannot be read as a file: the copy fails part-way.
    fs::create_directory(dir / "rec.avi");
    std::ofstream(dir / "rec.avi" / "inside") << "kept";
    std::error_code error;
    EXPECT_FALSE(MoveFileTo(dir / "rec.avi", target, error));
    EXPECT_TRUE(error);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_EQ(Content(dir / "rec.avi" / "inside"), "kept");
}

}  // namespace
}  // namespace kv
