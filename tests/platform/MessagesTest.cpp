#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/core/Messages.h"

using namespace kv;

namespace {

class CountingReceiver : public MessageReceiver {
public:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM) override {
        handledOn = std::this_thread::get_id();
        ++count;
        return static_cast<LRESULT>(message + wParam);
    }
    std::atomic<int> count{0};
    std::thread::id handledOn;
};

}  // namespace

TEST(Messages, SendFromWorkerRunsOnReceiverThreadAndReturnsResult) {
    CallerLoop ui;
    CountingReceiver receiver;
    HWND window = CreateWindowHandle(&receiver, &ui, "TestClass", "Test");
    std::atomic<bool> sent{false};
    LRESULT result = 0;
    std::thread worker([&] {
        sent = SendMessage(window, 0xC123, 2, 0, &result);
    });
    ASSERT_TRUE(ui.RunUntil([&] { return receiver.count == 1; }, 2000));
    worker.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(result, 0xC125);
    EXPECT_EQ(receiver.handledOn, std::this_thread::get_id());
    DestroyWindowHandle(window);
}

TEST(Messages, PostDoesNotBlockAndDeadHandlesFail) {
    CallerLoop ui;
    CountingReceiver receiver;
    HWND window = CreateWindowHandle(&receiver, &ui, "TestClass", "Test");
    std::thread worker([&] { EXPECT_TRUE(PostMessage(window, 0xC001, 0, 0)); });
    worker.join();  // returned without the UI thread running anything
    EXPECT_EQ(receiver.count, 0);
    ui.ProcessPending();
    EXPECT_EQ(receiver.count, 1);

    DestroyWindowHandle(window);
    EXPECT_FALSE(PostMessage(window, 0xC001, 0, 0));
    EXPECT_FALSE(SendMessage(window, 0xC001, 0, 0));
    EXPECT_FALSE(SendMessage(0, 0xC001, 0, 0));
}

TEST(Messages, SendToAThreadThatStopsFailsInsteadOfHanging) {
    auto loop = std::make_unique<LoopThread>();
    CountingReceiver receiver;
    HWND window = CreateWindowHandle(&receiver, loop.get(), "TestClass", "");
    loop->Stop();
    EXPECT_FALSE(SendMessage(window, 0xC001, 0, 0));
    DestroyWindowHandle(window);
}

TEST(Messages, RegisteredNumbersAreStableAndInRange) {
    UINT a = RegisterWindowMessage("UWM_TEST_A");
    EXPECT_EQ(a, RegisterWindowMessage("UWM_TEST_A"));
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_NE(a, RegisterWindowMessage("UWM_TEST_B"));
}
