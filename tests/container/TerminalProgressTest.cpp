// The batch run's progress line: written and rewritten on a terminal (a
// pseudo terminal here), absent on a pipe.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "app/batch/DeckProgress.h"
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

// What `write` puts on a terminal (a pseudo-terminal it writes to).
std::string WrittenOnATerminal(const std::function<void(int)>& write) {
    int controller = -1, terminal = -1;
    if (::openpty(&controller, &terminal, nullptr, nullptr, nullptr) != 0) {
        ADD_FAILURE() << "no pseudo-terminal";
        return {};
    }
    write(terminal);
    const std::string text = Drain(controller);
    ::close(terminal);
    ::close(controller);
    return text;
}

TEST(TerminalProgress, OneLineRewrittenOnATerminal) {
    const std::string text = WrittenOnATerminal(ReportWhile);
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

// Two presentations, one of them failing, each printing its final line to `fd`.
void RunTwoDecks(int fd) {
    DeckProgressLine line(fd, 2);
    line.Started("/talks/a.pptx");
    line.Started("/other/b.odp");
    line.Ended("/talks/a.pptx", true, [&] { ::write(fd, "Video: a.mp4\n", 13); });
    line.Ended("/other/b.odp", false, [&] { ::write(fd, "Failed: b.odp\n", 14); });
}

TEST(DeckProgress, TheLineCountsAndNamesTheRunningDecksAndGivesWayToEachFinalLine) {
    EXPECT_EQ(DeckProgressText(3, 1, 10, {"a.pptx", "b.odp"}), "Presentations: 3 of 10 done, 1 failed; now: a.pptx, b.odp");
    EXPECT_EQ(DeckProgressText(0, 0, 1, {}), "Presentations: 0 of 1 done");

    const std::string text = WrittenOnATerminal(RunTwoDecks);
    EXPECT_NE(text.find("\rPresentations: 0 of 2 done; now: a.pptx, b.odp"), std::string::npos) << text;
    EXPECT_NE(text.find("\rPresentations: 1 of 2 done; now: b.odp"), std::string::npos) << text;
    // Each final line starts on a cleared line, and nothing of the progress line is left after the last.
    const size_t video = text.find("Video: a.mp4"), failed = text.find("Failed: b.odp");
    ASSERT_NE(video, std::string::npos) << text;
    ASSERT_NE(failed, std::string::npos) << text;
    EXPECT_EQ(text[video - 1], '\r') << text;
    EXPECT_EQ(text[failed - 1], '\r') << text;
    EXPECT_EQ(text.find("Presentations", failed), std::string::npos) << text;

    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    RunTwoDecks(pipeEnds[1]);
    ::close(pipeEnds[1]);
    EXPECT_EQ(Drain(pipeEnds[0]), "Video: a.mp4\nFailed: b.odp\n");
    ::close(pipeEnds[0]);
}

}  // namespace
}  // namespace kv
