// The batch run's progress line: written and rewritten on a terminal (a
// pseudo terminal here), absent on a pipe.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/batch/TerminalProgress.h"
#include "conversion/ConversionProgress.h"

namespace kv {
namespace {

// Everything readable from `fd` now.
std::string Drain(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::string text;
    char buffer[256];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    return text;
}

// A conversion reporting 40 %, then 100 %, while the line is up.
void ReportWhile(int fd) {
    StartConversionProgress();
    {
        const TerminalProgressLine line(fd);
        PublishConversionProgress(40, 75);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        PublishConversionProgress(100, 0);
        EndConversionProgress();
    }
}

TEST(TerminalProgress, OneLineRewrittenOnATerminal) {
    int controller = -1, terminal = -1;
    ASSERT_EQ(::openpty(&controller, &terminal, nullptr, nullptr, nullptr), 0);
    ReportWhile(terminal);
    const std::string text = Drain(controller);
    ::close(terminal);
    ::close(controller);
    EXPECT_NE(text.find("\r40 % \xE2\x80\x94 about 1:15 left"), std::string::npos) << text;
    EXPECT_NE(text.find("\r100 % \xE2\x80\x94 about 0:00 left"), std::string::npos) << text;
    // The terminal turns the one line end into CR LF.
    EXPECT_EQ(text.find('\n'), text.size() - 1) << "a single line, ended once";
}

TEST(TerminalProgress, NothingOnAPipe) {
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    ReportWhile(pipeEnds[1]);
    ::close(pipeEnds[1]);
    EXPECT_EQ(Drain(pipeEnds[0]), "");
    ::close(pipeEnds[0]);
}

}  // namespace
}  // namespace kv
