#pragma once
// Window messages between threads: registered message numbers, window
// handles of live receivers, and send/post across threads.
//
// A window handle names a receiver bound to the thread it lives on. Send runs
// the receiver on its own thread and blocks the caller until it has handled
// the message; post queues it and returns at once. A send or post to a null
// or destroyed handle goes nowhere and reports failure.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

using UINT = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using HWND = std::uint64_t;  // 0 is no window

constexpr UINT WM_USER = 0x0400;

// The same name gives the same number in every process: a stable hash of the
// exact name into 0xC000-0xFFFF. Distinct names registered in one process get
// distinct numbers (a taken slot moves on to the next free one).
UINT RegisterWindowMessage(std::string_view name);

// A thread that receivers live on.
class MessageThread {
public:
    virtual ~MessageThread() = default;
    // Queues a task to run on the thread; false when the thread takes no more
    // work. A queued task that never runs is destroyed unrun.
    virtual bool Dispatch(std::function<void()> task) = 0;
    virtual bool IsCurrent() const = 0;
};

// A thread with a loop of its own, for workers and tests.
class LoopThread : public MessageThread {
public:
    LoopThread();
    ~LoopThread() override;  // stops the loop; queued tasks are dropped
    bool Dispatch(std::function<void()> task) override;
    bool IsCurrent() const override;
    void Stop();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

// A loop that the owning thread runs itself (the tests' "UI thread").
class CallerLoop : public MessageThread {
public:
    CallerLoop();
    ~CallerLoop() override;
    bool Dispatch(std::function<void()> task) override;
    bool IsCurrent() const override;
    // Runs queued tasks until `done` returns true or the time is up; true when done.
    bool RunUntil(const std::function<bool()>& done, int timeoutMs);
    // Runs whatever is queued now.
    void ProcessPending();

private:
    struct State;
    std::shared_ptr<State> m_state;
};

class MessageReceiver {
public:
    virtual ~MessageReceiver() = default;
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// How the desktop shows a top-level window: the UI gives its windows one so
// that other code (a second start of the program) can bring them forward.
// Called on the window's own thread.
class WindowPresenter {
public:
    virtual ~WindowPresenter() = default;
    virtual void SetForeground() = 0;   // raise and activate
    virtual bool IsIconic() const = 0;  // minimised
    virtual void Restore() = 0;         // back from minimised
};

// Registers a live receiver. The receiver must outlive its handle: call
// DestroyWindowHandle before destroying it.
HWND CreateWindowHandle(MessageReceiver* receiver, MessageThread* thread, std::string className,
                        std::string caption, HWND parent = 0);
void DestroyWindowHandle(HWND window);
bool IsWindow(HWND window);

bool SetWindowText(HWND window, std::string caption);
std::string GetWindowText(HWND window);
std::string GetClassName(HWND window);
HWND GetParent(HWND window);

// Top-level windows by class and (when not empty) caption; captions match
// without regard to letter case.
HWND FindWindow(std::string_view className, std::string_view caption = {});
// A direct child of `parent` by class (when not empty) and caption (when not empty).
HWND FindChildWindow(HWND parent, std::string_view className, std::string_view caption = {});
std::vector<HWND> EnumTopLevelWindows();

// The presenter must outlive its handle or be cleared first (nullptr).
void SetWindowPresenter(HWND window, WindowPresenter* presenter);

constexpr int SW_RESTORE = 9;
// Run on the window's thread and wait for it (at most `kWindowCallTimeoutMs`);
// false for a dead handle, a window without a presenter, or a time-out.
constexpr int kWindowCallTimeoutMs = 1000;
bool SetForegroundWindow(HWND window);
bool IsIconic(HWND window);
bool ShowWindow(HWND window, int command);  // only SW_RESTORE does anything

// The X11 window that shows a handle's pixels, for capture; 0 when none.
void SetNativeWindow(HWND window, unsigned long nativeId);
unsigned long GetNativeWindow(HWND window);

bool SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result = nullptr);
// As SendMessage, but gives up after `timeoutMs` (the receiver may still run it later).
bool SendMessageTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int timeoutMs,
                        LRESULT* result = nullptr);
bool PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace kv
