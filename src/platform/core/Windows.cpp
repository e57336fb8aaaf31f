#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>

#include "platform/core/Messages.h"

namespace kv {
namespace {

struct WindowEntry {
    MessageReceiver* receiver = nullptr;
    MessageThread* thread = nullptr;
    std::string className;
    std::string caption;
    HWND parent = 0;
    unsigned long nativeId = 0;
    std::atomic<WindowPresenter*> presenter{nullptr};
    std::atomic<bool> alive{true};
};

struct Registry {
    std::mutex mutex;
    std::map<HWND, std::shared_ptr<WindowEntry>> windows;  // ordered: creation order
    HWND next = 0x10000;
};

Registry& Windows() {
    static Registry registry;
    return registry;
}

std::shared_ptr<WindowEntry> Lookup(HWND window) {
    if (!window) return nullptr;
    auto& registry = Windows();
    std::lock_guard lock(registry.mutex);
    auto it = registry.windows.find(window);
    return it == registry.windows.end() ? nullptr : it->second;
}

// The sender's side of one send: filled by the receiver's thread, or marked
// failed when the queued call is dropped unrun.
struct SendCall {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool delivered = false;
    LRESULT result = 0;

    void Finish(bool ok, LRESULT value) {
        {
            std::lock_guard lock(mutex);
            if (finished) return;
            finished = true;
            delivered = ok;
            result = value;
        }
        done.notify_all();
    }
};

// Destroyed with the queued task: a task dropped unrun fails its send.
struct DropGuard {
    std::shared_ptr<SendCall> call;
    ~DropGuard() {
        if (call) call->Finish(false, 0);
    }
};

using WindowCall = std::function<LRESULT(WindowEntry&)>;

// Runs `call` on the window's thread: directly when already there, else
// queued and waited for (timeoutMs < 0 waits for ever). False when the window
// is gone, its thread takes no more work, or the time ran out.
bool CallOnWindowThread(HWND window, const WindowCall& call, int timeoutMs, LRESULT* result) {
    auto entry = Lookup(window);
    if (!entry || !entry->alive) return false;
    if (entry->thread->IsCurrent()) {
        const LRESULT value = call(*entry);
        if (result) *result = value;
        return true;
    }

    auto pending = std::make_shared<SendCall>();
    auto guard = std::make_shared<DropGuard>();
    guard->call = pending;
    const bool queued = entry->thread->Dispatch([entry, pending, guard, call] {
        if (!entry->alive) return pending->Finish(false, 0);
        pending->Finish(true, call(*entry));
    });
    guard.reset();
    if (!queued) return false;

    std::unique_lock lock(pending->mutex);
    if (timeoutMs < 0) {
        pending->done.wait(lock, [&] { return pending->finished; });
    } else if (!pending->done.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                       [&] { return pending->finished; })) {
        return false;
    }
    if (pending->delivered && result) *result = pending->result;
    return pending->delivered;
}

WindowCall MessageCall(UINT message, WPARAM wParam, LPARAM lParam) {
    return [=](WindowEntry& entry) { return entry.receiver->OnMessage(message, wParam, lParam); };
}

// Runs a presenter operation on the window's thread; false without a presenter.
bool CallPresenter(HWND window, const std::function<bool(WindowPresenter&)>& operation) {
    LRESULT done = 0;
    const bool ran = CallOnWindowThread(
        window,
        [operation](WindowEntry& entry) -> LRESULT {
            WindowPresenter* presenter = entry.presenter.load();
            return presenter && operation(*presenter) ? 1 : 0;
        },
        kWindowCallTimeoutMs, &done);
    return ran && done;
}

}  // namespace

HWND CreateWindowHandle(MessageReceiver* receiver, MessageThread* thread, std::string className,
                        std::string caption, HWND parent) {
    if (!receiver || !thread) return 0;
    auto entry = std::make_shared<WindowEntry>();
    entry->receiver = receiver;
    entry->thread = thread;
    entry->className = std::move(className);
    entry->caption = std::move(caption);
    entry->parent = parent;
    auto& registry = Windows();
    std::lock_guard lock(registry.mutex);
    const HWND handle = registry.next++;
    registry.windows.emplace(handle, std::move(entry));
    return handle;
}

void DestroyWindowHandle(HWND window) {
    auto& registry = Windows();
    std::lock_guard lock(registry.mutex);
    auto it = registry.windows.find(window);
    if (it == registry.windows.end()) return;
    it->second->alive = false;
    registry.windows.erase(it);
}

bool IsWindow(HWND window) { return Lookup(window) != nullptr; }

bool SetWindowText(HWND window, std::string caption) {
    auto& registry = Windows();
    std::lock_guard lock(registry.mutex);
    auto it = registry.windows.find(window);
    if (it == registry.windows.end()) return false;
    it->second->caption = std::move(caption);
    return true;
}

std::string GetWindowText(HWND window) {
    auto& registry = Windows();
    std::lock_guard lock(registry.mutex);
    auto it = registry.windows.find(window);
    return it == registry.windows.end() ? std::string() : it->second->caption;
}

std::string GetClassName(HWND window) {
    auto& registry = Windows();
    std::lock_guard lock(registry.mutex);
    auto it = registry.windows.find(window);
    return it == registry.windows.end() ? std::string() : it->second->className;
}

HWND GetParent(HWND window) {
    auto entry = Lookup(window);
    return entry ? entry->parent : 0;
}

namespace {
// Captions are matched without regard to letter case, as the window system does.
bool SameCaption(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}
}  // namespace

HWND FindChildWindow(HWND parent, std::string_view className, std::string_view caption) {
    auto& registry = Windows();
    std::lock_guard lock(registry.mutex);
    for (const auto& [handle, entry] : registry.windows) {
        if (entry->parent != parent) continue;
        if (!className.empty() && entry->className != className) continue;
        if (!caption.empty() && !SameCaption(entry->caption, caption)) continue;
        return handle;
    }
    return 0;
}

HWND FindWindow(std::string_view className, std::string_view caption) {
    return FindChildWindow(0, className, caption);
}

std::vector<HWND> EnumTopLevelWindows() {
    std::vector<HWND> result;
    auto& registry = Windows();
    std::lock_guard lock(registry.mutex);
    for (const auto& [handle, entry] : registry.windows)
        if (!entry->parent) result.push_back(handle);
    return result;
}

void SetNativeWindow(HWND window, unsigned long nativeId) {
    auto& registry = Windows();
    std::lock_guard lock(registry.mutex);
    auto it = registry.windows.find(window);
    if (it != registry.windows.end()) it->second->nativeId = nativeId;
}

unsigned long GetNativeWindow(HWND window) {
    auto& registry = Windows();
    std::lock_guard lock(registry.mutex);
    auto it = registry.windows.find(window);
    return it == registry.windows.end() ? 0 : it->second->nativeId;
}

void SetWindowPresenter(HWND window, WindowPresenter* presenter) {
    if (auto entry = Lookup(window)) entry->presenter = presenter;
}

bool SetForegroundWindow(HWND window) {
    return CallPresenter(window, [](WindowPresenter& presenter) {
        presenter.SetForeground();
        return true;
    });
}

bool IsIconic(HWND window) {
    return CallPresenter(window, [](WindowPresenter& presenter) { return presenter.IsIconic(); });
}

bool ShowWindow(HWND window, int command) {
    if (command != SW_RESTORE) return false;
    return CallPresenter(window, [](WindowPresenter& presenter) {
        presenter.Restore();
        return true;
    });
}

bool SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    return CallOnWindowThread(window, MessageCall(message, wParam, lParam), -1, result);
}

bool SendMessageTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int timeoutMs,
                        LRESULT* result) {
    return CallOnWindowThread(window, MessageCall(message, wParam, lParam), timeoutMs < 0 ? 0 : timeoutMs,
                              result);
}

bool PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto entry = Lookup(window);
    if (!entry || !entry->alive) return false;
    return entry->thread->Dispatch([entry, message, wParam, lParam] {
        if (entry->alive) entry->receiver->OnMessage(message, wParam, lParam);
    });
}

}  // namespace kv
