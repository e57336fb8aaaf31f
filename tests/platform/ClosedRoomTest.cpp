// A child in a closed room: what it can reach of the machine's files and
// network, and that it cannot take the room apart.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "platform/process/ChildProcess.h"
#include "platform/process/ClosedRoom.h"
#include "support/TempDir.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string output;
};

class ClosedRoomTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!kv::ClosedRoomsWork()) GTEST_SKIP() << "this system allows no user namespaces";
        fs::create_directories(room->tmp);
        fs::create_directories(dir / "deck");
        fs::create_directories(dir / "scratch");
        std::ofstream(dir / "secret.txt") << "hidden words";
        std::ofstream(dir / "deck" / "beside.txt") << "beside";
    }

    // Runs a shell command in the room (or outside it, with `closed` false).
    Outcome Run(const std::string& command, bool closed = true) {
        kv::SpawnOptions options;
        options.outputFile = dir / "out.txt";
        fs::remove(options.outputFile);
        if (closed) options.room = room;
        kv::ChildProcess child = kv::ChildProcess::Spawn({"/bin/sh", "-c", command}, options);
        Outcome outcome;
        if (!child.Started()) return outcome;
        outcome.status = child.Wait(20000).value_or(-2);
        std::ifstream in(dir / "out.txt");
        outcome.output.assign(std::istreambuf_iterator<char>(in), {});
        return outcome;
    }

    kvtest::TempDir dir{"kalvista-room"};
    std::shared_ptr<kv::ClosedRoom> room = [this] {
        auto made = std::make_shared<kv::ClosedRoom>();
        made->tmp = dir / "room-tmp";
        made->readable = {dir / "deck"};
        made->writable = {dir / "scratch"};
        return made;
    }();
};

TEST_F(ClosedRoomTest, OnlyTheFoldersItIsShownCanBeReachedAndOnlyTheWritableOnesChanged) {
    const std::string secret = (dir / "secret.txt").string(), beside = (dir / "deck" / "beside.txt").string();
    ASSERT_EQ(Run("cat '" + secret + "'", false).output, "hidden words");
    EXPECT_NE(Run("cat '" + secret + "'").status, 0) << "a file outside the room was read";
    EXPECT_EQ(Run("cat '" + beside + "'").output, "beside");
    EXPECT_NE(Run("echo x > '" + beside + "'").status, 0) << "a read-only folder was written";
    EXPECT_EQ(Run("echo written > '" + (dir / "scratch" / "new.txt").string() + "'").status, 0);
    EXPECT_EQ(Run("echo here > /tmp/in-room.txt").status, 0);
    EXPECT_TRUE(fs::exists(dir / "room-tmp" / "in-room.txt")) << "/tmp is the room's own folder";
    EXPECT_FALSE(fs::exists("/tmp/in-room.txt"));
    // The machine's own programs still run.
    EXPECT_EQ(Run("ls /usr/bin > /dev/null").status, 0);
}

TEST_F(ClosedRoomTest, TheRoomHasNoNetworkAndItsProgramNoCapabilities) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    ::listen(listener, 4);
    const std::string connect = "python3 -c 'import socket; socket.create_connection((\"127.0.0.1\", " +
                                std::to_string(ntohs(address.sin_port)) + "), 2)'";
    EXPECT_EQ(Run(connect, false).status, 0) << "the listener cannot be reached even from outside";
    EXPECT_NE(Run(connect).status, 0) << "the room reached the machine's network";
    ::close(listener);

    EXPECT_EQ(Run("grep -q '^CapEff:.0000000000000000$' /proc/self/status").status, 0) << "a capability is left";
    // Taking away what hides the folders outside would show them again: not possible.
    const std::string secret = (dir / "secret.txt").string();
    const std::string top = "/" + fs::path(dir.path()).relative_path().begin()->string();
    EXPECT_EQ(Run("umount -l '" + top + "' 2>/dev/null; umount -l /tmp 2>/dev/null; cat '" + secret + "'").output.find("hidden words"),
              std::string::npos);
}

TEST_F(ClosedRoomTest, EveryFolderOfTheMachineButTheSystemsIsEmptied) {
    const auto emptied = kv::FoldersARoomEmpties();
    const auto has = [&](const char* folder) { return std::find(emptied.begin(), emptied.end(), folder) != emptied.end(); };
    for (const char* system : {"/usr", "/etc", "/proc", "/dev"}) EXPECT_FALSE(has(system)) << system;
    for (const char* users : {"/home", "/root", "/mnt"})
        EXPECT_EQ(has(users), fs::is_directory(users) && !fs::is_symlink(users)) << users;
    EXPECT_FALSE(has("/tmp")) << "/tmp is replaced by the room's own, not emptied";
}

}  // namespace
