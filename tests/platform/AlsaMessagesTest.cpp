// ALSA's own error lines reach the trace, not the terminal.
#include <gtest/gtest.h>

#include "platform/core/Trace.h"
#include "platform/sound/AlsaCapture.h"
#include "platform/sound/CaptureDevices.h"

namespace kvtest {
namespace {

TEST(AlsaMessages, AnUnknownDeviceIsTracedAndTheTerminalStaysQuiet) {
    kv::TraceCapture traces;
    testing::internal::CaptureStderr();
    kv::AlsaCapture capture;
    const int err = capture.Open("kalvista_no_such_device", {44100, 2, 16, 1024, 4});
    (void)kv::ListCaptureDevices();
    const std::string terminal = testing::internal::GetCapturedStderr();

    EXPECT_LT(err, 0);
    EXPECT_EQ(terminal, "");
    bool traced = false;
    for (const auto& line : traces.Lines())
        traced = traced || (line.rfind("ALSA lib ", 0) == 0 && line.find("kalvista_no_such_device") != std::string::npos);
    EXPECT_TRUE(traced) << "ALSA's complaint about the device is in the trace";
}

}  // namespace
}  // namespace kvtest
