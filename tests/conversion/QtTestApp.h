#pragma once
// The Qt tests' application, and a helper that runs its event loop until a
// condition holds.
#include <QApplication>
#include <QElapsedTimer>
#include <functional>

namespace kvtest {

// The application that QtTestMain.cpp made.
inline QApplication& OffscreenApp() { return *static_cast<QApplication*>(QApplication::instance()); }

// Processes events until `done` or the time is up; true when done.
inline bool ProcessEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

}  // namespace kvtest
