#pragma once
// One QApplication on Qt's offscreen platform for a test program, and a
// helper that runs its event loop until a condition holds.
#include <QApplication>
#include <QElapsedTimer>
#include <cstdlib>
#include <functional>

namespace kvtest {

inline QApplication& OffscreenApp() {
    static int argc = 1;
    static char name[] = "kalvista-test";
    static char* argv[] = {name, nullptr};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(argc, argv);
    return app;
}

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
