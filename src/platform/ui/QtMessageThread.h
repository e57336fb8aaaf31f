#pragma once
// The Qt user-interface thread as a message thread: messages sent or posted
// to windows registered on it are delivered through Qt's event loop.
#include <QObject>
#include <QPointer>

#include "platform/core/Messages.h"

namespace kv {

class QtMessageThread : public MessageThread {
public:
    // Binds to the thread `context` lives on (the application object by default).
    explicit QtMessageThread(QObject* context = nullptr);
    bool Dispatch(std::function<void()> task) override;
    bool IsCurrent() const override;

    // The one for the application's main thread.
    static QtMessageThread& Main();

private:
    QPointer<QObject> m_context;
};

}  // namespace kv
