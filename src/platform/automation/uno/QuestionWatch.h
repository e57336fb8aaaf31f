#pragma once
// Watches for the office asking something (a modal window of its own: a
// question about saving, a message, an error) while one of our calls into it
// waits. The question is answered with the choice that changes nothing
// (Cancel, No, Close, OK — never Save or Yes), which lets the call return,
// and the call then fails with the question's text.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include <com/sun/star/awt/XExtendedToolkit.hpp>

#include "platform/automation/uno/UnoHeaders.h"

namespace kv::uno {

class QuestionWatch {
public:
    // `group`: the office's process group, whose windows are watched.
    QuestionWatch(Reference<css::uno::XComponentContext> context, pid_t group);
    ~QuestionWatch();
    QuestionWatch(const QuestionWatch&) = delete;
    QuestionWatch& operator=(const QuestionWatch&) = delete;

    // Around each call into the office (calls run one at a time).
    void CallStarted();
    // What the office asked during the call ("Save changes to ...?"), empty when nothing.
    std::string CallEnded();

    // A call that has waited this long is looked at for a question.
    static constexpr std::chrono::milliseconds kLookAfter{300};
    // How long a look waits for the office's main thread to take it.
    static constexpr std::chrono::milliseconds kLookLimit{1000};

private:
    void Run();
    // The office's windows are read on its main thread, where none opens or
    // closes meanwhile: read from another thread while it loaded a
    // presentation, they crashed it. A modal question runs that thread's loop.
    void LookInOfficeLoop(std::uint64_t call);
    // Answers the office's open question, if any, and returns its text (empty
    // when there is none). The text is laid to call `call` before the answer
    // lets that call return.
    std::string AnswerOpenQuestion(std::uint64_t call);
    void NoteQuestion(std::uint64_t call, const std::string& asked);

    Reference<css::uno::XComponentContext> m_context;
    pid_t m_group;
    Reference<css::awt::XExtendedToolkit> m_toolkit;  // in one look at a time
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_pending = false;
    bool m_stop = false;
    std::chrono::steady_clock::time_point m_since;
    std::string m_asked;
    std::uint64_t m_call = 0;  // counts calls, so a question is never laid to a later one
    std::thread m_thread;
};

}  // namespace kv::uno
