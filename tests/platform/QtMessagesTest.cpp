// Qt's own notes reach the trace, not the terminal; its critical messages
// still reach the terminal.
#include <gtest/gtest.h>

#include <QStandardPaths>
#include <cstdlib>

#include "platform/core/Trace.h"
#include "platform/ui/QtMessages.h"

namespace kvtest {
namespace {

TEST(QtMessages, StartUpNotesAreTracedAndCriticalOnesShown) {
    kv::RouteQtMessagesToTrace();
    kv::TraceCapture traces;
    unsetenv("XDG_RUNTIME_DIR");
    testing::internal::CaptureStderr();
    // What every start without a session's runtime folder says.
    (void)QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    qCritical("the display went away");
    const std::string terminal = testing::internal::GetCapturedStderr();

    EXPECT_EQ(terminal, "kalvista: the display went away\n");
    bool traced = false;
    for (const auto& line : traces.Lines()) traced = traced || line.find("Qt: QStandardPaths: XDG_RUNTIME_DIR") == 0;
    EXPECT_TRUE(traced);
}

}  // namespace
}  // namespace kvtest
