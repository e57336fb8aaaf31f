#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <vector>
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

class SlowReceiver : public MessageReceiver {
public:
    explicit SlowReceiver(int delayMs) : m_delayMs(delayMs) {}
    LRESULT OnMessage(UINT, WPARAM, LPARAM) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(m_delayMs));
        ++calls;
        return 42;
    }
    void WaitForCalls(int count) {
        while (calls < count) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::atomic<int> calls{0};

private:
    int m_delayMs;
};

class RecordingPresenter : public WindowPresenter {
public:
    void SetForeground() override { Record("foreground"); }
    bool IsIconic() const override {
        Record("iconic");
        return true;
    }
    void Restore() override { Record("restore"); }
    void Record(const std::string& call) const {
        calls.push_back(call);
        thread = std::this_thread::get_id();
    }
    mutable std::vector<std::string> calls;
    mutable std::thread::id thread;
};

}  // namespace

TEST(Messages, SendFromWorkerBlocksUntilTheReceiverThreadHandledIt) {
    CallerLoop ui;
    CountingReceiver receiver;
    HWND window = CreateWindowHandle(&receiver, &ui, "TestClass", "Test");
    std::atomic<bool> returned{false};
    std::atomic<int> countWhenReturned{-1};
    LRESULT result = 0;
    bool sent = false;
    std::thread worker([&] {
        sent = SendMessage(window, 0xC123, 2, 0, &result);
        countWhenReturned = receiver.count.load();
        returned = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(returned);  // nothing ran on the UI thread yet
    ASSERT_TRUE(ui.RunUntil([&] { return returned.load(); }, 5000));
    worker.join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(countWhenReturned, 1);
    EXPECT_EQ(result, 0xC125);
    EXPECT_EQ(receiver.handledOn, std::this_thread::get_id());
    DestroyWindowHandle(window);
}

TEST(Messages, SendWithTimeoutGivesUpOnAHungReceiver) {
    LoopThread thread;
    SlowReceiver receiver(1000);
    HWND window = CreateWindowHandle(&receiver, &thread, "TestClass", "Hung");
    const auto start = std::chrono::steady_clock::now();
    LRESULT result = 7;
    EXPECT_FALSE(SendMessageTimeout(window, 0xC001, 0, 0, 200, &result));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(190));
    EXPECT_LT(elapsed, std::chrono::milliseconds(600));
    EXPECT_EQ(result, 7);  // untouched, also when the late call finishes
    receiver.WaitForCalls(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(result, 7);
    DestroyWindowHandle(window);
}

TEST(Messages, PresenterRunsOnTheWindowThread) {
    CallerLoop ui;
    CountingReceiver receiver;
    RecordingPresenter presenter;
    HWND window = CreateWindowHandle(&receiver, &ui, "TestClass", "Shown");
    EXPECT_FALSE(SetForegroundWindow(window));  // no presenter yet
    SetWindowPresenter(window, &presenter);
    std::atomic<bool> done{false};
    bool iconic = false, restored = false, raised = false;
    std::thread worker([&] {
        raised = SetForegroundWindow(window);
        iconic = IsIconic(window);
        restored = ShowWindow(window, SW_RESTORE);
        done = true;
    });
    ASSERT_TRUE(ui.RunUntil([&] { return done.load(); }, 5000));
    worker.join();
    EXPECT_TRUE(raised && iconic && restored);
    EXPECT_EQ(presenter.calls, (std::vector<std::string>{"foreground", "iconic", "restore"}));
    EXPECT_EQ(presenter.thread, std::this_thread::get_id());
    DestroyWindowHandle(window);
    EXPECT_FALSE(SetForegroundWindow(window));
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

TEST(Messages, ChildWindowsAreFoundByCaptionWithoutRegardToCase) {
    CallerLoop ui;
    CountingReceiver parent, child, other;
    HWND container = CreateWindowHandle(&parent, &ui, "Container", "Kalvista");
    HWND named = CreateWindowHandle(&child, &ui, "Show", "KALVISTA - slideshow activex", container);
    HWND elsewhere = CreateWindowHandle(&other, &ui, "Show", "Kalvista - SlideShow ActiveX");
    EXPECT_EQ(FindChildWindow(container, {}, "Kalvista - SlideShow ActiveX"), named);
    EXPECT_EQ(FindChildWindow(container, "show", "Kalvista - SlideShow ActiveX"), 0u) << "classes match exactly";
    EXPECT_EQ(FindChildWindow(container, {}, "Kalvista - SlideShow ActiveX "), 0u);
    EXPECT_EQ(FindWindow("Show", "kalvista - SLIDESHOW ActiveX"), elsewhere);
    for (HWND w : {named, elsewhere, container}) DestroyWindowHandle(w);
}

TEST(Messages, SendToAThreadThatStopsFailsInsteadOfHanging) {
    auto loop = std::make_unique<LoopThread>();
    CountingReceiver receiver;
    HWND window = CreateWindowHandle(&receiver, loop.get(), "TestClass", "");
    loop->Stop();
    EXPECT_FALSE(SendMessage(window, 0xC001, 0, 0));
    DestroyWindowHandle(window);

    // A send still queued when its window goes away fails, and the receiver is not called.
    CallerLoop ui;
    HWND queued = CreateWindowHandle(&receiver, &ui, "TestClass", "");
    std::atomic<int> outcome{-1};
    std::thread worker([&] { outcome = SendMessage(queued, 0xC001, 0, 0) ? 1 : 0; });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    DestroyWindowHandle(queued);
    ASSERT_TRUE(ui.RunUntil([&] { return outcome >= 0; }, 5000));
    worker.join();
    EXPECT_EQ(outcome, 0);
    EXPECT_EQ(receiver.count, 0);
}

TEST(Messages, RegisteredNumbersAreStableAndInRange) {
    UINT a = RegisterWindowMessage("UWM_TEST_A");
    EXPECT_EQ(a, RegisterWindowMessage("UWM_TEST_A"));
    EXPECT_GE(a, 0xC000u);
    EXPECT_LE(a, 0xFFFFu);
    EXPECT_NE(a, RegisterWindowMessage("UWM_TEST_B"));
}
