#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "platform/core/NamedEvent.h"
#include "platform/core/Trace.h"
#include "support/TempDir.h"

using namespace kv;

TEST(Trace, LinesReachTheFileSinkAndCapturesFromEveryThread) {
    kvtest::TempDir dir;
    const auto file = dir / "trace.log";
    setenv("KALVISTA_TRACE", file.c_str(), 1);
    TraceCapture capture;
    Trace("CAVIFile:Initialise : Unable to Create Stream");
    std::thread([] { TraceF("Frames %d of %s\n", 3, "x"); }).join();
    TraceF("%s", std::string(2000, 'a').c_str());  // cut to the 1024-character buffer
    unsetenv("KALVISTA_TRACE");
    Trace("not written to the file");

    const auto lines = capture.Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "Frames 3 of x\n");
    EXPECT_EQ(lines[2], std::string(1023, 'a'));
    std::ifstream in(file);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(text, "CAVIFile:Initialise : Unable to Create Stream\nFrames 3 of x\n" + std::string(1023, 'a') + "\n");
}

TEST(NamedEvent, OneNameIsOneManualResetEvent) {
    auto recorderSide = NamedEvent::Open("PPT_DLG_POSITIONED-test");
    auto containerSide = NamedEvent::Open("PPT_DLG_POSITIONED-test");
    EXPECT_FALSE(recorderSide->Wait(20));
    std::thread setter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        containerSide->Set();
    });
    EXPECT_TRUE(recorderSide->Wait(5000));
    setter.join();
    EXPECT_TRUE(recorderSide->Wait(0));  // stays set until reset
    containerSide->Reset();
    EXPECT_FALSE(recorderSide->IsSet());
    EXPECT_FALSE(NamedEvent::Open("another name")->IsSet());
}
