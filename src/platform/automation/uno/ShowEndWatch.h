#pragma once
// Notices a show the office ended by itself. Escape in the show, or a click
// on its closing screen, ends it without any event reaching our listener, so
// a running show is asked a few times a second whether it still runs.
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace kv::uno {

struct UnoSession;
struct UnoDocument;

class ShowEndWatch {
public:
    static constexpr std::chrono::milliseconds kInterval{250};

    ShowEndWatch(std::shared_ptr<UnoSession> session, std::shared_ptr<UnoDocument> document);
    ~ShowEndWatch();  // stops and joins
    ShowEndWatch(const ShowEndWatch&) = delete;
    ShowEndWatch& operator=(const ShowEndWatch&) = delete;

private:
    void Run();
    // False once the office no longer runs the show (or cannot say: it has ended it).
    bool StillRunning(UnoSession& session, UnoDocument& document);

    std::weak_ptr<UnoSession> m_session;
    std::weak_ptr<UnoDocument> m_document;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace kv::uno
