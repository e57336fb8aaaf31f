// The disk space a recording needs: the refusal before it starts and the
// floor while it runs, with free space made up for the decisions, and the
// real file system's answer on a small tmpfs (as root).
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <fstream>
#include <map>

#include "platform/files/FreeSpace.h"
#include "recording/DiskSpace.h"
#include "support/TempDir.h"

namespace kv {
namespace {

constexpr std::uint64_t kMB = 1000 * 1000;

// Free space per folder while it lives; folders it does not know are not asked.
class MadeUpDisks {
public:
    explicit MadeUpDisks(std::map<std::string, FolderSpace> folders) : m_folders(std::move(folders)) {
        SetFreeSpaceSource([this](const std::string& folder) {
            const auto found = m_folders.find(folder);
            return found == m_folders.end() ? FolderSpace{} : found->second;
        });
    }
    ~MadeUpDisks() { SetFreeSpaceSource(nullptr); }

private:
    std::map<std::string, FolderSpace> m_folders;
};

TEST(DiskSpace, ARecordingCostsItsPicturesAndSoundAndKeepsAFloor) {
    // 1080p30 at 0.05 bytes a pixel, and 44.1 kHz stereo 16-bit sound.
    EXPECT_EQ(RecordingBytesPerSecond(1920, 1080, 30, 176400), 3110400u + 176400u);
    EXPECT_EQ(RecordingBytesPerSecond(320, 240, 5, 0), 19200u);
    EXPECT_EQ(RecordingBytesPerSecond(-1, 240, 5, 0), 0u);
    // The floor: 200 MB, or two minutes where they are more.
    EXPECT_EQ(DiskSpaceFloor(19200), 200 * kMB);
    EXPECT_EQ(DiskSpaceFloor(3286800), 3286800u * 120);
}

TEST(DiskSpace, AShowIsRefusedWhereAFolderLacksRoomAndTheFolderNamed) {
    const std::uint64_t rate = 1 * kMB;  // 1 MB a second: a 100 s show is 100 MB
    {
        // Apart: the temporary folder holds recording, merge copy and floor (400 MB).
        MadeUpDisks disks({{"/tmp/rec", {true, 399 * kMB, 1}}, {"/videos", {true, 100 * kMB, 2}}});
        EXPECT_EQ(DiskSpaceRefusal("/tmp/rec", "/videos", 100, rate),
                  "Not enough disk space in /tmp/rec: 399 MB free, about 400 MB needed");
    }
    {
        MadeUpDisks disks({{"/tmp/rec", {true, 400 * kMB, 1}}, {"/videos", {true, 99 * kMB, 2}}});
        EXPECT_EQ(DiskSpaceRefusal("/tmp/rec", "/videos", 100, rate),
                  "Not enough disk space in /videos: 99 MB free, about 100 MB needed");
    }
    {
        MadeUpDisks disks({{"/tmp/rec", {true, 400 * kMB, 1}}, {"/videos", {true, 100 * kMB, 2}}});
        EXPECT_EQ(DiskSpaceRefusal("/tmp/rec", "/videos", 100, rate), "");
    }
    {
        // One disk for both: all of it counts there.
        MadeUpDisks disks({{"/tmp/rec", {true, 499 * kMB, 7}}, {"/videos", {true, 499 * kMB, 7}}});
        EXPECT_EQ(DiskSpaceRefusal("/tmp/rec", "/videos", 100, rate),
                  "Not enough disk space in /tmp/rec: 499 MB free, about 500 MB needed");
    }
    {
        // A show of unknown length counts as two minutes; folders that cannot be asked pass.
        MadeUpDisks disks({{"/tmp/rec", {true, 439 * kMB, 1}}});
        EXPECT_EQ(DiskSpaceRefusal("/tmp/rec", "/videos", 0, rate),
                  "Not enough disk space in /tmp/rec: 439 MB free, about 440 MB needed");
        EXPECT_EQ(DiskSpaceRefusal("/nowhere", "/videos", 0, rate), "");
    }
    {
        // Short of the need by less than a megabyte: the figures still differ.
        MadeUpDisks disks({{"/tmp/rec", {true, 400 * kMB - 1, 1}}, {"/videos", {true, 100 * kMB, 2}}});
        EXPECT_EQ(DiskSpaceRefusal("/tmp/rec", "/videos", 100, rate),
                  "Not enough disk space in /tmp/rec: 399 MB free, about 400 MB needed");
    }
    {
        MadeUpDisks disks({{"/tmp/rec", {true, kMB / 2, 1}}, {"/videos", {true, 100 * kMB, 2}}});
        EXPECT_EQ(DiskSpaceRefusal("/tmp/rec", "/videos", 1, 1000),
                  "Not enough disk space in /tmp/rec: 0 MB free, about 201 MB needed");
    }
}

TEST(DiskSpace, ARecordingStopsOnceTheTemporaryFolderFallsBelowTheFloor) {
    {
        MadeUpDisks disks({{"/tmp/rec", {true, 200 * kMB, 1}}});
        EXPECT_EQ(LowDiskSpaceReason("/tmp/rec", 19200), "");
    }
    MadeUpDisks disks({{"/tmp/rec", {true, 199 * kMB, 1}}});
    EXPECT_EQ(LowDiskSpaceReason("/tmp/rec", 19200),
              "The recording was stopped: only 199 MB are left in /tmp/rec, and 200 MB are kept free. "
              "The video holds the recording up to that point");
    EXPECT_EQ(LowDiskSpaceReason("/nowhere", 19200), "");
}

TEST(DiskSpace, TheFileSystemsOwnAnswerOnASmallDisk) {
    kvtest::TempDir dir("kalvista-space");
    const FolderSpace here = FreeSpaceOf(dir.path().string());
    EXPECT_TRUE(here.known);
    EXPECT_FALSE(FreeSpaceOf((dir / "missing").string()).known);

    const auto small = dir / "small";
    std::filesystem::create_directories(small);
    if (::geteuid() != 0 || ::mount("kalvista-space", small.c_str(), "tmpfs", 0, "size=4m") != 0)
        GTEST_SKIP() << "mounting a small tmpfs needs root (and a system that allows mounts)";
    const FolderSpace before = FreeSpaceOf(small.string());
    std::ofstream(small / "filler").write(std::string(kMB, 'x').data(), kMB);
    const FolderSpace after = FreeSpaceOf(small.string());
    const std::string refusal = DiskSpaceRefusal(small.string(), dir.path().string(), 1, 1000);
    ::umount2(small.c_str(), MNT_DETACH);
    EXPECT_TRUE(before.known);
    EXPECT_NEAR(static_cast<double>(before.freeBytes), 4.0 * 1024 * 1024, 64 * 1024);
    EXPECT_NEAR(static_cast<double>(before.freeBytes - after.freeBytes), kMB, 8 * 1024);
    EXPECT_NE(before.device, here.device);
    EXPECT_EQ(refusal, "Not enough disk space in " + small.string() + ": 3 MB free, about 201 MB needed");
}

}  // namespace
}  // namespace kv
