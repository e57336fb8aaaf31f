#include "platform/ui/QtMessageThread.h"

#include <QCoreApplication>
#include <QThread>

namespace kv {

QtMessageThread::QtMessageThread(QObject* context)
    : m_context(context ? context : QCoreApplication::instance()) {}

bool QtMessageThread::Dispatch(std::function<void()> task) {
    QObject* context = m_context.data();
    if (!context) return false;
    // Queued: runs on the context's thread; dropped (and destroyed) with it.
    return QMetaObject::invokeMethod(context, std::move(task), Qt::QueuedConnection);
}

bool QtMessageThread::IsCurrent() const {
    QObject* context = m_context.data();
    return context && context->thread() == QThread::currentThread();
}

QtMessageThread& QtMessageThread::Main() {
    static QtMessageThread main;
    return main;
}

}  // namespace kv
